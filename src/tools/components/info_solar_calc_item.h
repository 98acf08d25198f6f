#pragma once
// One consumer of the solar calculator: a name, its power in watts and its hours of use a day.
#include <string>

namespace ohmkit::components {

class InfoSolarCalcItem {
public:
    InfoSolarCalcItem(std::string name, float power, float dailyUsage)
        : sName(std::move(name)), fPower(power), fDailyUsage(dailyUsage)
    {
    }

    std::string sName;
    float fPower;
    float fDailyUsage;
};

}  // namespace ohmkit::components
