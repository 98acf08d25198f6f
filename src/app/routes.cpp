#include "app/routes.h"

#include "app/view_controller.h"
#include "datasheets/info_datasheet_open.h"
#include "datasheets/info_datasheets_ftp.h"
#include "datasheets/info_datasheets_view.h"
#include "tools/circuits/info_battery_life.h"
#include "tools/circuits/info_decibels.h"
#include "tools/circuits/info_filters.h"
#include "tools/circuits/info_ohms_law.h"
#include "tools/circuits/info_trace_width.h"
#include "tools/components/info_capacitors_view.h"
#include "tools/components/info_induction_view.h"
#include "tools/components/info_leds_view.h"
#include "tools/components/info_ne555_view.h"
#include "tools/components/info_solar_calc_view.h"
#include "tools/resistors/info_resistors_smd.h"
#include "tools/resistors/info_resistors_values.h"
#include "tools/resistors/info_resistors_view.h"
#include "tools/wires/info_wires_view.h"
#include "tools/wires/info_wires_voltage_drop.h"

namespace ohmkit::app {

namespace {

template <typename T>
ui::NavigationController::Factory screen()
{
    return [] { return std::make_shared<T>(); };
}

}  // namespace

std::shared_ptr<AppNavigationController> makeAppNavigationController()
{
    auto nav = std::make_shared<AppNavigationController>();
    // Menu rows.
    nav->bindRoute("ShowCapacitor", screen<components::InfoCapacitorsView>());
    nav->bindRoute("ShowResistor", screen<resistors::InfoResistorsView>());
    nav->bindRoute("ShowResistanceValues", screen<resistors::InfoResistorsValues>());
    nav->bindRoute("ShowResistorsSMD", screen<resistors::InfoResistorsSMD>());
    nav->bindRoute("ShowInductorView", screen<components::InfoInductionView>());
    nav->bindRoute("ShowLedCalc", screen<components::InfoLedsView>());
    nav->bindRoute("ShowWiresView", screen<wires::InfoWiresView>());
    nav->bindRoute("ShowWiresVoltageDrop", screen<wires::InfoWiresVoltageDrop>());
    nav->bindRoute("ShowNE555View", screen<components::InfoNE555View>());
    nav->bindRoute("ShowSolarCalc", screen<components::InfoSolarCalcView>());
    nav->bindRoute("ShowDatasheetsView", screen<datasheets::InfoDatasheetsView>());
    nav->bindRoute("ShowOhmsLaw", screen<circuits::InfoOhmsLaw>());
    nav->bindRoute("ShowFilters", screen<circuits::InfoFilters>());
    nav->bindRoute("ShowTraceWidth", screen<circuits::InfoTraceWidth>());
    nav->bindRoute("ShowBatteryLife", screen<circuits::InfoBatteryLife>());
    nav->bindRoute("ShowDecibels", screen<circuits::InfoDecibels>());
    // Routes between tool screens.
    nav->bindRoute("ShowWiresView2", screen<wires::InfoWiresView>());
    nav->bindRoute("ShowDatasheet", screen<datasheets::InfoDatasheetOpen>());
    nav->bindRoute("ShowFTP", screen<datasheets::InfoDatasheetsFTP>());
    nav->setRootViewController(std::make_shared<ViewController>());
    return nav;
}

}  // namespace ohmkit::app
