#pragma once
// Spreadsheet operations report through the office layer's one status type.

#include "office/OfficeStatus.h"

namespace office {

using XlsxStatus = OfficeStatus;

} // namespace office
