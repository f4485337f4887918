// The program's one window: shows the device object's state and forwards the
// user's actions to it. Its member functions live in the folder of the
// subsystem they serve (settings/, firmware/, motion/, monitor/).
#pragma once

#include <QMainWindow>

class Logger;
class QDoubleSpinBox;
class QSlider;
class QKeyEvent;

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
    void keyPressEvent(QKeyEvent* event) override;
    void ShowHideAdvancedControls(bool SetVisible);
    void on_btnGetDeviceInfo_clicked();
    void on_btnRestart_clicked();
    void on_btnFullUpdate_clicked();
    void UpdateFWProgressBar();
    void on_btnReadDrvValues_clicked();
    void on_btnWriteDrvValues_clicked();

private:
    void showImages();
    void fillModeLists();
    void loadConfigurations();
    // Entry procedure with the configuration box's signal already disconnected.
    void storeEntry(const QString& name);
    void setConfigurationSignal(bool connected);
    // A pair rule sets its partner without letting the partner's rule run back.
    void setPartner(QSlider* partner, int count);
    void setPartner(QDoubleSpinBox* partner, double time);
    void log(const QString& line);

    Ui::MainWindow* ui = nullptr;
    Logger* logger = nullptr;

    // Pair rules run to the end, with their coupling, before the record is
    // filled from the controls: a change raised meanwhile is replayed after.
    int m_pairRuleDepth = 0;
    bool m_changePending = false;
    bool m_settingPartner = false;
    friend class PairRuleScope;
};
