#pragma once
// One entry of the main menu: its name, its icon, what a tap on it does, and the words the
// menu's search finds it by besides its name.
#include <functional>
#include <string>

#include "ui/table_view.h"

namespace ohmkit::app {

class OhmkitViewItem {
public:
    OhmkitViewItem(std::string name, std::string icon, std::function<void()> onTap, std::string keywords = {})
        : sName(std::move(name)), sIconName(std::move(icon)), pTapFunc(std::move(onTap)), sKeywords(std::move(keywords))
    {
    }

    const std::string sName;
    const std::string sIconName;       // image resource name, without extension
    const std::function<void()> pTapFunc;   // may be empty
    const std::string sKeywords;       // words separated by blanks
};

// The menu row: a label for the name and an image view for the icon.
class OhmkitViewTableCell : public ui::TableViewCell {
public:
    static constexpr const char* kReuseIdentifier = "OhmkitViewTableCell";

    OhmkitViewTableCell(Style style, std::string reuseIdentifier)
        : ui::TableViewCell(style, std::move(reuseIdentifier)), m_cDescription(&textLabel()), m_cIcon(&imageView())
    {
    }

    // Shows the image resource of that name (no image when there is none).
    void setImageIcon(const std::string& iconName);

    ui::Label* m_cDescription;
    ui::ImageView* m_cIcon;
};

}  // namespace ohmkit::app
