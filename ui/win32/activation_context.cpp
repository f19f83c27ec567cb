// Activating the plug-in's manifest around window calls.
#include "ui/win32/activation_context.h"

#include "ui/win32/win32_artwork.h"

#include <vector>

namespace {
// Made once from the module's manifest; INVALID_HANDLE_VALUE when the
// system cannot make it (the windows then keep the host's look).
HANDLE pluginContext() {
    static HANDLE context = [] {
        // Wide: the module may lie in a folder named outside the ANSI code page.
        std::vector<wchar_t> path(32768, L'\0');
        GetModuleFileNameW(pluginModule(), path.data(), DWORD(path.size()));
        ACTCTXW request = {};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.lpSource = path.data();
        request.hModule = pluginModule();
        request.lpResourceName = MAKEINTRESOURCEW(2);
        return CreateActCtxW(&request);
    }();
    return context;
}
}  // namespace

ActivationScope::ActivationScope() {
    HANDLE context = pluginContext();
    if (context != INVALID_HANDLE_VALUE) active_ = ActivateActCtx(context, &cookie_) != FALSE;
}

ActivationScope::~ActivationScope() {
    if (active_) DeactivateActCtx(0, cookie_);
}
