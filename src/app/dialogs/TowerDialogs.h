#pragma once

#include "app/dialogs/DialogBase.h"
#include "calc/TowerForms.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace brenvik {

// "Mobile phone tower" (`torre`): lists the antennas of the tower being defined
// and lets the user add, remove and edit them. The pending antenna slots live in
// the Project; the window keeps them in step through the signals below.
class TowerDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    // `antennaCount` antennas listed 1..n (TowerAntCount). When the tower was
    // picked on the map, adding and removing antennas is not offered.
    explicit TowerDialog(int antennaCount = 1, bool editingFromMap = false,
                         QWidget* parent = nullptr);

    int antennaCount() const { return m_count; }
    int selectedAntenna() const; // the number shown in `Combo1`
    bool editingFromMap() const { return m_editing; }

  signals:
    // "Add antenna": the new count; the window copies the previous slot into it.
    void antennaAdded(int newCount);
    // "Remove antenna": the new count (only sent when there was more than one).
    void antennaRemoved(int newCount);
    // "Options": the antenna number chosen in the combo (TowerAntSel).
    void optionsRequested(int antennaNumber);

  private:
    void addAntenna();
    void removeAntenna();

    QComboBox* m_combo = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_options = nullptr;
    int m_count = 1;
    bool m_editing = false;
};

// "Antenna options" (`fuent`): edits one antenna. It shows an AntennaForm
// (AntennaFormLoad) and applies the option-click rules of the form as the user
// clicks; the window stores the form it hands back (AntennaFormAccept).
class AntennaDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit AntennaDialog(const AntennaForm& form, QWidget* parent = nullptr);

    // Antenna edited from the map: `Label1` shows "fuentenumero" and its index.
    void setEditedIndex(int index);

    // The options and the texts of the boxes as they stand now.
    AntennaForm form() const;
    // Shows a form again (e.g. the normalised boxes after a refused Accept).
    void setForm(const AntennaForm& form);
    // The beam of the far-field model goes under the other frames.
    void addBeamBox(QWidget* box);

  signals:
    // The type or the angle of fall changed (what the beam's plots depend on).
    void mountingChanged();

  private:
    QGroupBox* makeTypeFrame();
    void makeFallFrame();
    void makeDirectionFrame();
    QGroupBox* makePowerFrame();
    QGroupBox* makeHeightFrame();
    void connectOptions();
    void showForm();
    void readBoxes();

    AntennaForm m_form;
    QRadioButton* m_alta = nullptr;
    QRadioButton* m_baja = nullptr;
    QGroupBox* m_fallFrame = nullptr;
    QGroupBox* m_dirFrame = nullptr;
    QLineEdit* m_angText = nullptr;
    QRadioButton* m_n = nullptr;
    QRadioButton* m_e = nullptr;
    QRadioButton* m_s = nullptr;
    QRadioButton* m_w = nullptr;
    QRadioButton* m_ang = nullptr;
    QLineEdit* m_antang = nullptr;
    QRadioButton* m_max = nullptr;
    QRadioButton* m_med = nullptr;
    QRadioButton* m_otr = nullptr;
    QLineEdit* m_potext = nullptr;
    QRadioButton* m_altm = nullptr;
    QRadioButton* m_pisos = nullptr;
    QLineEdit* m_mText = nullptr;
    QLineEdit* m_pText = nullptr;
    QLineEdit* m_freq = nullptr;
    QLabel* m_label1 = nullptr;
};

// "Antenna parameters" (`pantenas`): the two open angles.
class AntennaParamsDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    // The boxes of OpenAnglesFormLoad; the window stores form() with
    // OpenAnglesFormAccept.
    explicit AntennaParamsDialog(const OpenAnglesForm& form, QWidget* parent = nullptr);

    OpenAnglesForm form() const;

  private:
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
};

} // namespace brenvik
