// Window construction, in the order later steps rely on, and the expert view.
#include "app/mainwindow.h"

#include "app/decimal_mark.h"
#include "app/form_fit.h"
#include "app/frame_pacer.h"
#include "app/images.h"
#include "app/logger.h"
#include "app/process_objects.h"
#include "device/torveldrv.h"
#include "log_location.h"
#include "ui_mainwindow.h"

#include <QKeyEvent>
#include <QPixmap>

namespace {
constexpr int kPartnerLogoWidth = 2000;
const QString kMakerSite = QStringLiteral("https://www.marlox.example");
const QString kPartnerSite = QStringLiteral("https://partners.marlox.example");

QString visitUsText(const QString& site)
{
    return QStringLiteral("Visit us at: <a href=\"%1\"><span style=\" text-decoration: underline; "
                          "color:#0000ff;\">%1</span></a>")
        .arg(site);
}
} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    decimalmark::apply(this);
    showImages();
    setWindowTitle(VersionString + QStringLiteral(" - No device connected"));
    ui->pteAbout->appendPlainText(VersionString);
    ui->lblVisitUs->setTextFormat(Qt::RichText);
    const QImage partnerLogo = images::loadReleaseImage(QStringLiteral("release/Logo.png"));
    if (!partnerLogo.isNull())
        ui->lblLogo->setPixmap(QPixmap::fromImage(partnerLogo));
    ui->lblVisitUs->setText(
        visitUsText(partnerLogo.width() == kPartnerLogoWidth ? kPartnerSite : kMakerSite));
    Torvel.trajectory.RequiredPosition = 0;

    connect(&Torvel, &TorvelDRV::newDriverInfoAvailable, this,
            &MainWindow::UpdateMainWindowDriverInfo);
    connect(&Torvel, &TorvelDRV::newRTDataAvailable, this, &MainWindow::DisplayRTData);
    connect(&Torvel, &TorvelDRV::newFWProgressValueAvailable, this,
            &MainWindow::UpdateFWProgressBar);
    connect(&Torvel, &TorvelDRV::newDriverValuesAvailable, this, &MainWindow::DisplayDrvValues);

    ui->frmStatus->hide();
    new app::FramePacer(this);
    fillReadoutBackgrounds();
    showNoDataUntilFirstRecord();
    installKeyboardStop();
    Torvel.StartTimers();
    ShowHideAdvancedControls(ExpertView);
    TempLogClock.start();
    PositionClock.start();

    logger = new Logger(this, logLocation::candidates(logLocation::current()), ui->pteLog);
    Torvel.logger = logger;
    log(QStringLiteral("Application started: ") + VersionString);

    fillModeLists();
    loadConfigurations();
    ControlValues2DrvSettings();
    ListValues();
    ConnectToValueChanged(true);
    ConnectToPWMValueChanged(true);
    ControlValues2PWMSettings();
    setupTempPlot();
    ui->tabMainTab->setCurrentIndex(0);
    ui->tabDriverSetup->show();
    setupPositionPlot();
    fitToFont();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::showImages()
{
    ui->label_30->setPixmap(
        QPixmap::fromImage(images::loadReleaseImage(QStringLiteral("release/DecayModes2.png"))));
    ui->lblLogo->setPixmap(QPixmap::fromImage(images::logo()));
}

void MainWindow::log(const QString& line)
{
    logger->write(line);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_F12) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    ExpertView = !ExpertView;
    ShowHideAdvancedControls(ExpertView);
}

void MainWindow::ShowHideAdvancedControls(bool SetVisible)
{
    ui->pteRegistersValues->setVisible(SetVisible);
    ui->cbAutoApplyChanges->setEnabled(SetVisible);
    ui->ptePWMValues->setVisible(SetVisible);
    if (!SetVisible)
        ui->cbAutoApplyChanges->setChecked(false);
    // The listings take room the fit at construction did not give them.
    formfit::growToLayouts(this);
}
