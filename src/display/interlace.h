#pragma once

#include "copperwalk.h"

// An interlaced display shows two fields, each from its own Copper list: a screen of one field
// and the matching screen of the other are one bitmap whose lines alternate between them.
namespace CopperWalk {

// `screen` made whole with the other field's screens, if one of them holds its missing lines:
// the same layout and lines, every plane half a row away. Otherwise it stays one field.
Screen withOtherField(const Screen &screen, const std::vector<Screen> &otherField, bool aga);

} // namespace CopperWalk
