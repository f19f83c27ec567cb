// The plug-in's activation context: its manifest (resource 2) asks for the
// common controls of version 6, so that windows made while it is active get
// the system's current look whatever the host's own manifest says.
#pragma once

#include <windows.h>

class ActivationScope {
public:
    ActivationScope();
    ~ActivationScope();
    ActivationScope(const ActivationScope&) = delete;
    ActivationScope& operator=(const ActivationScope&) = delete;

private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};
