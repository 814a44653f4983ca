// A group record as the list holds it, made by the list and by the group text form.
#pragma once

#include <memory>
#include <string_view>

#include "sorrel/Groups.h"

namespace sorrel {

std::unique_ptr<GroupInfo> MakeGroup(UINT id, std::string_view name, UINT nMaxLen, int nAttr);

}  // namespace sorrel
