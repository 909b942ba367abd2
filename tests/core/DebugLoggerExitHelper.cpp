// Logs N entries through the shared logger and returns at once, for the test that entries
// submitted before exit are written.
#include <cstdlib>
#include <string>

#include "core/DebugLogger.h"
#include "core/PreferenceKeys.h"
#include "core/PreferencesStore.h"

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1;
    if (!nabbit::PreferencesStore().setBool(nabbit::keys::debugLoggingEnabled, true)) {
        return 3;
    }
    for (int i = 0; i < count; ++i) {
        nabbit::DebugLogger::shared().log("before exit", "SYNC", {{"index", i}});
    }
    return 0;
}
