#pragma once

#include <QStringView>

namespace kelvane {

// The list server's folder that holds the three list files, ending in "/"; fixed at build time
// (the KELVANE_LIST_BASE_URL CMake variable).
extern const QStringView kListBaseUrl;

} // namespace kelvane
