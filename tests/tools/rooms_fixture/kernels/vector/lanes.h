// A sub-folder nobody wrote a rule for.
#pragma once
