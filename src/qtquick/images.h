#pragma once
// Finds the file of an image resource the program names ("res_small.png", "cap_normal").
#include <QUrl>

#include <string>

namespace ohmkit::qtquick {

// The file URL of the image named `name`, looked up by its base name among the resources'
// images: a drawing (.svg) is preferred over a bitmap (.png, then .jpg). Empty when there is
// none, so the image view shows nothing.
QUrl imageUrl(const std::string& name);

}  // namespace ohmkit::qtquick
