// The program's one window: shows the device object's state and forwards the
// user's actions to it. Its member functions live in the folder of the
// subsystem they serve (settings/, firmware/, motion/, monitor/).
#pragma once

#include <QMainWindow>

class Logger;
class QKeyEvent;

namespace charts {
class StripChart;
}

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Adds or updates the configuration entry name with the current record and selects it.
    void StoreConfigurationEntry(const QString& name);

private slots:
    void UpdateMainWindowDriverInfo();
    void DisplayRTData();
    void DisplayDrvValues();
    void on_dsbBlankingTime_valueChanged(double);
    void on_hsBlankingTime_valueChanged();
    void on_cbEnableAdvancedDriverSetup_stateChanged(int);
    void on_hsFixedOffTime_valueChanged();
    void on_dsbFixedOffTime_valueChanged(double);
    void on_hsMixedDecayTime_valueChanged(int);
    void on_dsbMixedDecayTime_valueChanged(double);
    void ConnectToValueChanged(bool state);
    void ControlValueChanged();
    void ControlValues2DrvSettings();
    void ListValues();
    void DrvSettings2ControlValues();
    void on_pbSaveSettings_clicked();
    void on_pbLoadSettings_clicked();
    void on_cbConfigurations_currentIndexChanged(int);
    void on_btnClearTempLog_clicked();
    void on_dialStepSpeed_valueChanged();
    void on_dialMaxStepSpeed_valueChanged(int value);
    void on_btnSetFrequency_clicked();
    void on_btnStopStepDir_clicked();
    void keyPressEvent(QKeyEvent* event) override;
    void ShowHideAdvancedControls(bool SetVisible);
    void on_btnRunStop_clicked();
    void on_btnGetDeviceInfo_clicked();
    void on_btnRestart_clicked();
    void on_btnFullUpdate_clicked();
    void UpdateFWProgressBar();
    void on_btnReadDrvValues_clicked();
    void on_btnWriteDrvValues_clicked();
    void on_btnResetFaults_clicked();
    void ConnectToPositionValueChanged(bool state);
    void on_vsFinPos_valueChanged();
    void on_sbFinPos_valueChanged(int);
    void on_sbPosLimitUpper_valueChanged(int);
    void on_sbPosLimitLower_valueChanged(int);
    void TrajDataChanged();
    void on_btnLargDec_clicked();
    void on_btnSmallDec_clicked();
    void on_btnSmallInc_clicked();
    void on_btnLargInc_clicked();
    void on_btnWriteTraj_clicked();
    void on_btnClearPosGraph_clicked();
    void on_btnStopTraj_clicked();
    void on_btnZeroCurPos_clicked();
    void on_cbEnableEndSwitch_stateChanged();
    void on_cbNCTypeEndSwitch_stateChanged();
    void on_sbPWM_A_valueChanged(int);
    void on_vsPWM_A_valueChanged(int);
    void on_sbPWM_B_valueChanged(int);
    void on_vsPWM_B_valueChanged(int);
    void ConnectToPWMValueChanged(bool state);
    void PWMValueChanged();
    void ControlValues2PWMSettings();
    void on_dialPWMFreq_valueChanged(int);
    void on_sbPWMFreq_valueChanged(int);
    void on_gbPWMControl_toggled(bool);
    void on_btnStopPWM_clicked();
    void on_btnSetPWM_clicked();

private:
    void showImages();
    void fillModeLists();
    void loadConfigurations();
    // Entry procedure with the configuration box's signal already disconnected.
    void storeEntry(const QString& name);
    // Slider and spin-box pair rules: set the partner, then keep the mixed-decay
    // count within the fixed-off count from the side that moved.
    enum class Coupling { None, PullMixedDecayDown, PushFixedOffUp };
    template <typename Partner, typename Value>
    void pairRule(Partner* partner, const char* partnerRule, Value value, Coupling coupling);
    void log(const QString& line);
    // Sets gbPWMControl without running its enable/disable handler.
    void showDcMotorControl(bool checked);
    void jogRequiredPosition(int steps);
    void setupTempPlot();
    void setupPositionPlot();
    void appendTempSamples();
    void appendPositionSamples();
    // The read-outs paint their own background, not their frame's.
    void fillReadoutBackgrounds();
    // The status area's state while no live record is at hand.
    void showNoData();
    void showNoDataUntilFirstRecord();
    // Sizes the form for the window's font (see app/form_fit.h).
    void fitToFont();
    // Esc stops the motion of the present mode from every tab, without sleeping.
    void installKeyboardStop();
    void stopMotion();
    // "Read values from driver" gives up on a board that does not answer.
    void checkValuesReply(int repliesBefore);

    Ui::MainWindow* ui = nullptr;
    Logger* logger = nullptr;
    charts::StripChart* m_tempChart = nullptr;
    charts::StripChart* m_positionChart = nullptr;

    // Pair rules run to the end, with their coupling, before the record is
    // filled from the controls: a change raised meanwhile is replayed after.
    int m_pairRuleDepth = 0;
    bool m_changePending = false;
    friend class PairRuleScope;
};
