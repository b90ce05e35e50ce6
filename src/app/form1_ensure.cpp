#include "app/form1.h"
#include "config/check_list_file.h"
#include "config/settings_file.h"

namespace vesperon {

void Form1::EnsureConfig() {
    ensureCheckList(p_, fso());
}

void Form1::EnsureSettings() {
    ensureSettingsFile(p_, fso());
}

} // namespace vesperon
