#pragma once
// The NE555 timer screen: the monostable pulse length from R1 and C1, and the astable high
// time, low time, frequency and duty cycle from R2_1, R2_2 and C2. The product of an entered resistance and
// capacitance is read as milliseconds (kilohms with microfarads).
#include "ui/view_controller.h"

namespace ohmkit::components {

class InfoNE555View : public ui::ViewController, public ui::TextFieldDelegate {
public:
    InfoNE555View();

    void loadView() override;
    void viewDidLoad() override;

    bool textFieldShouldReturn(ui::TextField& field) override;
    void textFieldDidChange(ui::TextField& field);
    // Recomputes both circuits.
    void showResults();

    ui::TextField* m_cDataC1 = nullptr;
    ui::TextField* m_cDataR1 = nullptr;
    ui::Label* m_cResults1 = nullptr;
    ui::TextField* m_cDataC2 = nullptr;
    ui::TextField* m_cDataR2_1 = nullptr;
    ui::TextField* m_cDataR2_2 = nullptr;
    ui::Label* m_cResults2_1 = nullptr;
    ui::Label* m_cResults2_2 = nullptr;
    ui::ScrollView* scrollView = nullptr;
    // The astable's duty cycle: the high time's share of the period.
    ui::Label* m_cResults2_3 = nullptr;

private:
    void showMonostable();
    void showAstable();
    // The astable's two texts for input it cannot compute.
    void showAstableError();
};

}  // namespace ohmkit::components
