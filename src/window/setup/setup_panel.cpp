// The "Driver setup" tab: controls to record and back, the slider/spin-box
// pairs, the read-out, and reading and writing the board's values.
#include "app/mainwindow.h"

#include "app/quiet_update.h"
#include "clock.h"
#include "device/torveldrv.h"
#include "dialogs.h"
#include "settings/register_codec.h"
#include "settings/time_counts.h"
#include "setup/setup_readout.h"
#include "ui_mainwindow.h"

#include <cmath>
#include <type_traits>

namespace {
const QString kReadValuesTitle = QStringLiteral("Read values from driver");
// Replies queue behind the live stream, which the receive tick drains one report at a time.
constexpr int kValuesReplyTimeoutMs = 1500;
} // namespace

// Marks a pair rule as running. A change that the change-notification set
// raises meanwhile waits until every coupled control is settled, so the record
// is never filled from a half-updated pair. The outermost rule replays it once,
// unless its source is a slider: the slider's own change notification follows
// the rule and does it, so one edit writes the board once.
class PairRuleScope {
public:
    PairRuleScope(MainWindow* window, bool sourceNotifies)
        : m_window(window), m_sourceNotifies(sourceNotifies)
    {
        ++m_window->m_pairRuleDepth;
    }
    ~PairRuleScope()
    {
        if (--m_window->m_pairRuleDepth > 0 || !m_window->m_changePending)
            return;
        m_window->m_changePending = false;
        if (!m_sourceNotifies)
            m_window->ControlValueChanged();
    }
    PairRuleScope(const PairRuleScope&) = delete;
    PairRuleScope& operator=(const PairRuleScope&) = delete;

private:
    MainWindow* m_window;
    bool m_sourceNotifies;
};

namespace {
const QString kCustomSettings = QStringLiteral("Custom settings");
const QString kDriverValues = QStringLiteral("Driver values");

// A record index outside the box's list keeps the box's previous selection.
void selectIfListed(QComboBox* box, int index)
{
    if (index >= 0 && index < box->count())
        box->setCurrentIndex(index);
}

// Far below the spin boxes' last decimal, far above rounding noise.
constexpr double kTimeToleranceUs = 1e-6;

// The board gets the slider's count, so a time between two counts (2.2 us
// typed or loaded) is shown as the time of that count (2.0 us).
void showCountTime(QDoubleSpinBox* box, double countTime)
{
    if (std::abs(box->value() - countTime) > kTimeToleranceUs)
        box->setValue(countTime);
}

} // namespace

template <typename Partner, typename Value>
void MainWindow::pairRule(Partner* partner, const char* partnerRule, Value value, Coupling coupling)
{
    // Slider rules set a spin box; the slider is in the change-notification set.
    constexpr bool partnerIsSpinBox = std::is_same<Partner, QDoubleSpinBox>::value;
    PairRuleScope scope(this, partnerIsSpinBox);
    {
        // The partner's own rule must not run back while this one sets it.
        const QuietUpdate quiet(
            partner, partnerIsSpinBox ? SIGNAL(valueChanged(double)) : SIGNAL(valueChanged(int)),
            this, partnerRule);
        partner->setValue(value);
    }
    // A slider moved here runs its own rule in turn, so its spin box follows.
    QSlider* mixed = ui->hsMixedDecayTime;
    QSlider* fixedOff = ui->hsFixedOffTime;
    if (mixed->value() <= fixedOff->value())
        return;
    if (coupling == Coupling::PullMixedDecayDown)
        mixed->setValue(fixedOff->value());
    else if (coupling == Coupling::PushFixedOffUp)
        fixedOff->setValue(mixed->value());
}

void MainWindow::ControlValues2DrvSettings()
{
    DrvSettings& s = Torvel.settings;
    s.StepMode = ui->cbStepMode->currentIndex();
    s.FullScaleCurrent = ui->dsbFSCurrent->value();
    s.IdleCurrent = ui->dsbIdleCurrent->value();
    s.TemperatureLimit = ui->sbTempLimit->value();
    s.ReducedCurrent = ui->dsbReducedCurrent->value();
    s.PredriverSpeed = ui->cbPredriverSpeed->currentIndex();
    const codec::PredriverCodes codes = codec::predriverCodes(s.PredriverSpeed);
    s.DTime = codes.DTime;
    s.TDrive = codes.TDrive;
    s.IDrive = codes.IDrive;
    s.DecayMode = ui->cbDecayMode->currentIndex();
    // The times are those of the counts the board gets; the spin boxes show
    // the same once their rules have run.
    s.TBlank = ui->hsBlankingTime->value();
    s.BlankingTime = timecounts::blankingTime(s.TBlank);
    s.AdaptiveBlanking = ui->cbAdaptiveBlanking->currentIndex();
    s.TDecay = ui->hsMixedDecayTime->value();
    s.MixedDecayTime = timecounts::halfMicrosecondTime(s.TDecay);
    s.TOff = ui->hsFixedOffTime->value();
    s.FixedOffTime = timecounts::halfMicrosecondTime(s.TOff);
    s.DCMotorMode = ui->cbDCMotorMode->checkState() > Qt::Unchecked ? 1 : 0;
    s.DriverName = ui->leDriverName->text();
}

void MainWindow::DrvSettings2ControlValues()
{
    const QuietUpdate quiet(this, &MainWindow::ConnectToValueChanged);
    const DrvSettings s = Torvel.settings;
    selectIfListed(ui->cbStepMode, s.StepMode);
    ui->dsbFSCurrent->setValue(s.FullScaleCurrent);
    ui->dsbIdleCurrent->setValue(s.IdleCurrent);
    ui->sbTempLimit->setValue(s.TemperatureLimit);
    ui->dsbReducedCurrent->setValue(s.ReducedCurrent);
    selectIfListed(ui->cbPredriverSpeed, s.PredriverSpeed);
    selectIfListed(ui->cbDecayMode, s.DecayMode);
    ui->dsbBlankingTime->setValue(s.BlankingTime);
    selectIfListed(ui->cbAdaptiveBlanking, s.AdaptiveBlanking);
    // Mixed decay before fixed off, so a mixed-decay count above the off count ends pulled down.
    ui->dsbMixedDecayTime->setValue(s.MixedDecayTime);
    ui->dsbFixedOffTime->setValue(s.FixedOffTime);

    ui->cbDCMotorMode->setChecked(s.DCMotorMode != 0);
    ui->tabPositionControl->setEnabled(s.DCMotorMode == 0);
    ui->cbStepMode->setEnabled(!ui->cbDCMotorMode->isChecked());
    showDcMotorControl(ui->cbDCMotorMode->isChecked());
    ui->leDriverName->setText(s.DriverName);

    ControlValues2DrvSettings();
    ListValues();
}

void MainWindow::ConnectToValueChanged(bool state)
{
    const auto slot = &MainWindow::ControlValueChanged;
    const auto comboChanged = qOverload<int>(&QComboBox::currentIndexChanged);
    const auto realChanged = qOverload<double>(&QDoubleSpinBox::valueChanged);
    const auto link = [this, state, slot](auto* widget, auto signal) {
        if (state)
            connect(widget, signal, this, slot, Qt::UniqueConnection);
        else
            disconnect(widget, signal, this, slot);
    };
    link(ui->cbStepMode, comboChanged);
    link(ui->cbDCMotorMode, &QCheckBox::stateChanged);
    link(ui->dsbFSCurrent, realChanged);
    link(ui->dsbIdleCurrent, realChanged);
    link(ui->sbTempLimit, qOverload<int>(&QSpinBox::valueChanged));
    link(ui->dsbReducedCurrent, realChanged);
    link(ui->hsBlankingTime, &QSlider::valueChanged);
    link(ui->hsMixedDecayTime, &QSlider::valueChanged);
    link(ui->hsFixedOffTime, &QSlider::valueChanged);
    link(ui->cbPredriverSpeed, comboChanged);
    link(ui->cbAdaptiveBlanking, comboChanged);
    link(ui->cbDecayMode, comboChanged);
}

void MainWindow::ControlValueChanged()
{
    if (m_pairRuleDepth > 0) {
        m_changePending = true;
        return;
    }
    const QuietUpdate quiet(this, &MainWindow::ConnectToValueChanged);
    ControlValues2DrvSettings();
    ui->cbStepMode->setEnabled(Torvel.settings.DCMotorMode == 0);
    ui->gbPWMControl->setChecked(Torvel.settings.DCMotorMode != 0);
    if (ui->cbAutoApplyChanges->checkState() != Qt::Unchecked)
        Torvel.WriteDriverValues();
    ListValues();
    StoreConfigurationEntry(kCustomSettings);
}

void MainWindow::ListValues()
{
    const DrvSettings& s = Torvel.settings;
    ui->pteRegistersValues->clear();
    for (const QString& line : readout::timingLines(s))
        ui->pteRegistersValues->appendPlainText(line);
    ui->pteRegistersValues->appendPlainText(Torvel.DrvSettings2String());
    Torvel.DrvSettings2DriverRegisters();
    ui->pteRegistersValues->appendPlainText(Torvel.DriverRegisters2String());
    const readout::DiagramLabels labels = readout::diagramLabels(s);
    ui->lblTblank->setText(labels.blanking);
    ui->lblTdecay->setText(labels.decay);
    ui->lblToff->setText(labels.off);
    ui->lblTon->setText(labels.on);
}

void MainWindow::DisplayDrvValues()
{
    DrvSettings2ControlValues();
    ListValues();
    StoreConfigurationEntry(kDriverValues);
}

void MainWindow::on_hsBlankingTime_valueChanged()
{
    pairRule(ui->dsbBlankingTime, SLOT(on_dsbBlankingTime_valueChanged(double)),
             timecounts::blankingTime(ui->hsBlankingTime->value()), Coupling::None);
}

void MainWindow::on_dsbBlankingTime_valueChanged(double)
{
    pairRule(ui->hsBlankingTime, SLOT(on_hsBlankingTime_valueChanged()),
             timecounts::blankingCount(ui->dsbBlankingTime->value()), Coupling::None);
    showCountTime(ui->dsbBlankingTime, timecounts::blankingTime(ui->hsBlankingTime->value()));
}

void MainWindow::on_hsFixedOffTime_valueChanged()
{
    pairRule(ui->dsbFixedOffTime, SLOT(on_dsbFixedOffTime_valueChanged(double)),
             timecounts::halfMicrosecondTime(ui->hsFixedOffTime->value()),
             Coupling::PullMixedDecayDown);
}

void MainWindow::on_dsbFixedOffTime_valueChanged(double)
{
    pairRule(ui->hsFixedOffTime, SLOT(on_hsFixedOffTime_valueChanged()),
             timecounts::halfMicrosecondCount(ui->dsbFixedOffTime->value()),
             Coupling::PullMixedDecayDown);
    showCountTime(ui->dsbFixedOffTime,
                  timecounts::halfMicrosecondTime(ui->hsFixedOffTime->value()));
}

void MainWindow::on_hsMixedDecayTime_valueChanged(int)
{
    pairRule(ui->dsbMixedDecayTime, SLOT(on_dsbMixedDecayTime_valueChanged(double)),
             timecounts::halfMicrosecondTime(ui->hsMixedDecayTime->value()),
             Coupling::PushFixedOffUp);
}

void MainWindow::on_dsbMixedDecayTime_valueChanged(double)
{
    pairRule(ui->hsMixedDecayTime, SLOT(on_hsMixedDecayTime_valueChanged(int)),
             timecounts::halfMicrosecondCount(ui->dsbMixedDecayTime->value()),
             Coupling::PushFixedOffUp);
    showCountTime(ui->dsbMixedDecayTime,
                  timecounts::halfMicrosecondTime(ui->hsMixedDecayTime->value()));
}

void MainWindow::on_cbEnableAdvancedDriverSetup_stateChanged(int)
{
    ui->gbAdvancedDriverSetup->setEnabled(ui->cbEnableAdvancedDriverSetup->checkState() !=
                                          Qt::Unchecked);
}

// The panel keeps its values until the board's reply replaces them: cleared
// or zeroed fields would reach the board with the next write.
void MainWindow::on_btnReadDrvValues_clicked()
{
    if (!Torvel.connected) {
        log(QStringLiteral("Cannot read values from driver: no board connected."));
        dialogs::warn(kReadValuesTitle,
                      QStringLiteral("No board is connected, so no values were read. The panel "
                                     "keeps the values it shows."));
        return;
    }
    const int repliesBefore = Torvel.valuesReplies;
    Torvel.GetDriverValues();
    Torvel.WaitMs(TorvelDRV::kBetweenRequestsMs);
    Torvel.GetDriverName();
    timing::clock().singleShot(kValuesReplyTimeoutMs, this,
                               [this, repliesBefore] { checkValuesReply(repliesBefore); });
}

void MainWindow::checkValuesReply(int repliesBefore)
{
    if (Torvel.valuesReplies != repliesBefore)
        return;
    log(QStringLiteral("The board did not answer the values request; the panel keeps its values."));
    dialogs::warn(kReadValuesTitle,
                  QStringLiteral("The board did not send its values within %1 s. The panel keeps "
                                 "the values it shows.")
                      .arg(kValuesReplyTimeoutMs / 1000.0));
}

void MainWindow::on_btnWriteDrvValues_clicked()
{
    ControlValues2DrvSettings();
    Torvel.WriteDriverValues();
    Torvel.SetDriverName(ui->leDriverName->text());
    Torvel.SaveDriverValues();
    StoreConfigurationEntry(kDriverValues);
}

void MainWindow::fillModeLists()
{
    ui->cbStepMode->clear();
    for (const char* name : codec::kStepModeNames)
        ui->cbStepMode->addItem(QString::fromLatin1(name));
    ui->cbDecayMode->clear();
    for (const char* name : codec::kDecayModeNames)
        ui->cbDecayMode->addItem(QString::fromLatin1(name));
}
