#include "wizard/WizardFlow.h"

namespace wizard {

Screen screenOf(int screenCounter, int mode)
{
    switch (screenCounter) {
    case 0: return Screen::Medium;
    case 1: return Screen::Settings;
    case 2: return mode == 0 ? Screen::Results : Screen::FileTypes;
    default: return Screen::Results;
    }
}

int headerStep(int screenCounter, int mode)
{
    switch (screenOf(screenCounter, mode)) {
    case Screen::Medium: return 1;
    case Screen::Settings: return 2;
    case Screen::FileTypes: return 3;
    case Screen::Results: return 4;
    }
    return 1;
}

NextStep nextStep(int screenCounter, int mode)
{
    switch (screenOf(screenCounter, mode)) {
    case Screen::Medium: return NextStep::CheckMedium;
    case Screen::Settings: return NextStep::CheckSettings;
    case Screen::FileTypes: return NextStep::CheckFileTypes;
    case Screen::Results: return NextStep::Nothing;
    }
    return NextStep::Nothing;
}

bool backAllowed(bool searchRunning, bool finalScreenShown)
{
    return !searchRunning || finalScreenShown;
}

int backFrom(int screenCounter)
{
    return screenCounter >= 1 && screenCounter <= 3 ? screenCounter - 1 : screenCounter;
}

} // namespace wizard
