#pragma once
// Swatch colours of the colour-band wheels (resistors and inductors), by colour name.
#include <memory>
#include <string>

#include "ui/widgets.h"

namespace ohmkit::resistors {

// The colour of a band name ("Brown", "Gold", "none", ...); clear for an unknown name.
ui::Color bandColor(const std::string& name);

// A 32 x 32 swatch label for a band: its colour, text centred; "none" is light grey with "-".
// The colour's name is the label's accessibility label.
std::shared_ptr<ui::Label> makeBandSwatch(const std::string& name);

}  // namespace ohmkit::resistors
