// Placeholder: PNG export.
#include "export/export.h"

bool SaveImage() {
    return false;
}
