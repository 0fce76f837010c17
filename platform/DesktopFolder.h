#pragma once

#include <QString>

namespace tolvan {

// The current user's Desktop folder, where the Save dialog of the export opens.
QString desktopFolder();

} // namespace tolvan
