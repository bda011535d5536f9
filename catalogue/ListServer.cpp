#include "catalogue/ListServer.h"

namespace kelvane {

// Constant-initialised: usable from any other static's initialiser.
constexpr QStringView kListBaseUrl = u"" KELVANE_LIST_BASE_URL;

} // namespace kelvane
