// The window's fit to its font: the widest text of every read-out, the fault
// box tall enough for two messages, then the form fit of app/form_fit.h.
#include "app/mainwindow.h"

#include "app/eliding_combo.h"
#include "app/form_fit.h"
#include "device/fault_text.h"
#include "device/motion_math.h"
#include "device/status_text.h"
#include "monitor/status_labels.h"
#include "motion/step_readout.h"
#include "setup/setup_readout.h"
#include "ui_mainwindow.h"

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <algorithm>
#include <cmath>

namespace {
// Two fault messages must be readable without scrolling.
constexpr int kFaultMessagesShown = 2;
constexpr int kAllFaultBits = (1 << faults::kFaultBitCount) - 1;
constexpr int kUnknownDriverState = 255;

void fitFaultBox(QPlainTextEdit* box)
{
    const QFontMetrics metrics(box->font());
    const int margins = 2 * (qRound(box->document()->documentMargin()) + box->frameWidth());
    const int textWidth = std::max(1, box->minimumWidth() - margins);
    int longest = 0;
    for (const QString& message : faults::messages(kAllFaultBits))
        longest = std::max(longest, metrics.horizontalAdvance(message));
    const int linesPerMessage = static_cast<int>(std::ceil(double(longest) / textWidth));
    // A text line takes the font's full height even where its line spacing is less.
    const int lineHeight = std::max(metrics.height(), metrics.lineSpacing());
    const int height = kFaultMessagesShown * linesPerMessage * lineHeight + margins;
    box->setMinimumHeight(std::max(box->minimumHeight(), height));
    box->setMaximumHeight(std::max(box->maximumHeight(), height));
}
} // namespace

void MainWindow::fitToFont()
{
    formfit::WidestTexts widest;
    const int maxRate = ui->dialMaxStepSpeed->maximum();
    widest[ui->lblFrequency] = QStringList{stepreadout::rateText(-maxRate)};
    widest[ui->lblMaxStepSpeed] = QStringList{stepreadout::rateText(maxRate)};
    widest[ui->lblPR] =
        QStringList{stepreadout::actualSpeedText(motion::actualStepSpeed(-maxRate))};

    DrvSettings longest;
    longest.BlankingTime = ui->dsbBlankingTime->maximum();
    longest.MixedDecayTime = ui->dsbMixedDecayTime->maximum();
    longest.FixedOffTime = ui->dsbFixedOffTime->maximum();
    const readout::DiagramLabels diagram = readout::diagramLabels(longest);
    widest[ui->lblTblank] = QStringList{diagram.blanking};
    widest[ui->lblTdecay] = QStringList{diagram.decay};
    widest[ui->lblToff] = QStringList{diagram.off};
    widest[ui->lblTon] = QStringList{diagram.on};

    QStringList states(std::begin(StatusTexts), std::end(StatusTexts));
    states << statusText(kUnknownDriverState) << statuslabels::kNoBoard
           << statuslabels::kNoRecordYet;
    widest[ui->lblDriverStatus] = states;
    widest[ui->lblFaultsStatus] =
        QStringList{statuslabels::kDriverOk, faults::label(kAllFaultBits),
                    statuslabels::kNoMotorPower, statuslabels::kFaultsUnknown};

    // Sentences and names chosen by the user need not widen the window.
    elidingcombo::apply(ui->cbDecayMode);
    elidingcombo::apply(ui->cbConfigurations);
    fitFaultBox(ui->pteFaults);
    formfit::fit(this, widest);
}
