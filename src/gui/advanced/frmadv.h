#pragma once

#include "advanced/advancedtarget.h"
#include "commands/tracksettings.h"
#include "show/timedfields.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class PlatformAdapter;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The advanced settings window, "Advanced Settings Form": edits one track's command string.
// The window only shows a TrackSettings in its controls and gathers one from them; reading and
// encoding the string are the core's. Handlers are named control_Action, as in the main window.
class frmAdv final : public QWidget, public TimedFields
{
    Q_OBJECT

public:
    ~frmAdv() override;
    Q_DISABLE_COPY_MOVE(frmAdv)

    // The implicit instance: the open (possibly hidden) window, or a new one created for owner
    // (the window that opens it, a window of its own beside it that goes with the owner) and shown.
    static frmAdv *instance(PlatformAdapter &platform, QWidget &owner);
    // The open window, or nullptr; never creates one.
    static frmAdv *existing();

    QWidget *owner() const { return parentWidget(); }

    // Properties, set by InitForm.
    const Vexolo::Ui::AdvancedTarget &target() const { return m_target; }
    bool onCard() const { return m_target.onCard(); }
    int workingIndex() const { return m_workingIndex; }
    // The encoder's operator tables: constant, so the core holds them.
    QString strOperator(int i) const { return Vexolo::strOperator(i); }
    QString strAllOperator(int i) const { return Vexolo::strAllOperator(i); }

    // Controls, in creation (and tab) order; the repeated fields through the accessors below.
    QLabel *lblName = nullptr;
    QGroupBox *frameVolume = nullptr;
    QLabel *lblVolume = nullptr;
    QPushButton *cmdMinus = nullptr;
    QLineEdit *txtVol = nullptr;
    QPushButton *cmdPlus = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QLabel *lblPause = nullptr;
    QGroupBox *GroupBox3 = nullptr;
    QLabel *lblFade = nullptr;
    QRadioButton *optFadeNorm = nullptr;
    QRadioButton *optFade1 = nullptr;
    QRadioButton *optFade2 = nullptr;
    QGroupBox *GroupBox4 = nullptr;
    QCheckBox *chkPlayNext = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QLabel *lblOutput = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdClear = nullptr;
    QLabel *lblTarget = nullptr; // what the window edits: a card's track or a playlist entry

    QLineEdit *txtPause(int i) const { return m_txtPause.at(i); }
    // output 1 to 8: txtOutput1(i) .. txtOutput8(i).
    QLineEdit *txtOutput(int output, int i) const { return m_txtOutput.at(output - 1).at(i); }
    QLineEdit *txtOutputAll(int i) const { return m_txtOutput.at(Vexolo::TrackSettings::AllRow).at(i); }
    QLabel *lblOnOff(int i) const { return m_lblOnOff.at(i); }
    // row 1 to 9: the row captions "1" .. "8" and "ALL".
    QLabel *StaticText(int row) const { return m_staticText.at(row - 1); }

    // Clears the window, reads commandString into it and shows it in front; index is the row the
    // target stands in now.
    void InitForm(const QString &commandString, const Vexolo::Ui::AdvancedTarget &target, int index);
    void ClearForm();

    // The pause or output field that has (or last had) the focus in this window; nullptr when another control has it.
    QLineEdit *focusedTimeField() const override;

    // What the controls show, and showing a record in them.
    Vexolo::TrackSettings settings() const override;
    void showSettings(const Vexolo::TrackSettings &settings);

    // For the timeline beside the window.
    QWidget &fieldsWindow() override { return *this; }
    void followFields(QObject *context, std::function<void()> changed) override;
    // What Ctrl+T opens: the timeline of this window, as its owner makes it (nothing until the owner says).
    void setTimeline(std::function<void()> show) { m_showTimeline = std::move(show); }

    // Control handlers.
    void cmdMinus_Action();
    void cmdPlus_Action();
    void cmdSave_Action();
    void cmdCancel_Action();
    void cmdClear_Action();

Q_SIGNALS:
    // An accepted Save: the string encoded from the fields, for the target the window was opened
    // for; the owner applies it. This window then closes.
    void settingsSaved(const Vexolo::Ui::AdvancedTarget &target, const QString &commandString);
    // A time field was changed, or another track was read in: for views that follow the fields.
    void fieldsChanged();

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    frmAdv(PlatformAdapter &platform, QWidget &owner);
    void createControls();
    void bindHandlers();
    void stepVolume(int delta);
    void discard();
    // Escape: Cancel, after asking Save, Discard or Cancel when a field was changed.
    void escape();

    static constexpr int Columns = Vexolo::TrackSettings::Columns;
    static constexpr int OutputRows = Vexolo::TrackSettings::OutputRows;

    PlatformAdapter &m_platform;
    Vexolo::Ui::AdvancedTarget m_target;
    int m_workingIndex = 0;
    Vexolo::TrackSettings m_opened; // what InitForm showed, to tell changes from it
    std::function<void()> m_showTimeline;
    std::array<QLineEdit *, Columns> m_txtPause {};
    std::array<std::array<QLineEdit *, Columns>, OutputRows> m_txtOutput {};
    std::array<QLabel *, Columns> m_lblOnOff {};
    std::array<QLabel *, OutputRows> m_staticText {};
};
