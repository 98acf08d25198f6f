#include "tools/band_colors.h"

#include <map>

namespace ohmkit::resistors {

ui::Color bandColor(const std::string& name)
{
    static const std::map<std::string, ui::Color> colors = {
        {"Black", ui::Color::rgb(0, 0, 0)},
        {"Brown", ui::Color::rgb(0.6f, 0.4f, 0.2f)},
        {"Red", ui::Color::rgb(1, 0, 0)},
        {"Orange", ui::Color::rgb(1, 0.5f, 0)},
        {"Yellow", ui::Color::rgb(1, 1, 0)},
        {"Green", ui::Color::rgb(0, 1, 0)},
        {"Blue", ui::Color::rgb(0, 0, 1)},
        {"Violet", ui::Color::rgb(238.0f / 255, 130.0f / 255, 238.0f / 255)},
        {"Gray", ui::Color::rgb(0.5f, 0.5f, 0.5f)},
        {"White", ui::Color::rgb(1, 1, 1)},
        {"Gold", ui::Color::rgb(1.0f, 215.0f / 255, 0)},
        {"Silver", ui::Color::rgb(192.0f / 255, 192.0f / 255, 192.0f / 255)},
        {"none", ui::Color::lightGray()},
    };
    auto it = colors.find(name);
    return it == colors.end() ? ui::Color::clear() : it->second;
}

std::shared_ptr<ui::Label> makeBandSwatch(const std::string& name)
{
    auto label = std::make_shared<ui::Label>();
    label->setBounds({0, 0, 32, 32});
    label->setAlignment(ui::Label::Alignment::Center);
    label->setBackgroundColor(bandColor(name));
    label->setAccessibilityLabel(name);
    if (name == "none") label->setText("-");
    return label;
}

}  // namespace ohmkit::resistors
