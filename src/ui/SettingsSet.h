#pragma once
// The widgets of one settings screen. The photo mode and the other modes
// each have their own set (`_screen_settings`, `_screen_settings_Sig`), laid
// out alike; the wizard works on the set of the current mode. The widgets
// belong to the main window.

class QAbstractButton;
class QLabel;
class QLineEdit;
class QRadioButton;
class QWidget;
class SectorSlider;

struct SettingsSet {
    QWidget* screen = nullptr;
    QRadioButton* entire = nullptr;
    QRadioButton* range = nullptr;
    QWidget* summary = nullptr;
    QWidget* rangeBlock = nullptr;
    QLabel* captions[6] = {};
    QLabel* values[6] = {}; // identifier, volume name, file system, size, start, end
    SectorSlider* startSlider = nullptr;
    SectorSlider* endSlider = nullptr;
    QLineEdit* startField = nullptr;
    QLineEdit* endField = nullptr;
    QLabel* startMin = nullptr;
    QLabel* startMax = nullptr;
    QLabel* endMin = nullptr;
    QLabel* endMax = nullptr;
    QLineEdit* path = nullptr;
    QAbstractButton* browse = nullptr;
    QWidget* criteriaBox = nullptr;
    QWidget* infoBox = nullptr;
    QWidget* destBox = nullptr;
    QWidget* destCaption = nullptr;
};
