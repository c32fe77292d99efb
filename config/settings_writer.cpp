// Placeholder: settings writer.
#include "config/settings_writer.h"

std::string SettingsText() {
    return {};
}
bool SaveDefaults(const char*) {
    return false;
}
