// The program and its packaging files agree: the desktop entry, icon and window
// class the program announces, the board the udev rule, the installation
// script and the metainfo name, and the icon sizes compiled in.
#include "app/app_identity.h"
#include "device/protocol.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QtTest>

namespace {
QString packagingFile(const QString& name)
{
    return QStringLiteral(TORVEL_SOURCE_DIR "/packaging/") + name;
}

QString contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString hex4(std::uint16_t id)
{
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}
} // namespace

class PackagingTest : public QObject {
    Q_OBJECT
private slots:
    void windowBelongsToItsDesktopEntry();
    void iconCarriesEveryInstalledSize();
    void packagingNamesTheBoardTheProgramLooksFor_data();
    void packagingNamesTheBoardTheProgramLooksFor();
};

void PackagingTest::windowBelongsToItsDesktopEntry()
{
    appIdentity::apply();
    const QString id = QGuiApplication::desktopFileName();
    QCOMPARE(id, appIdentity::desktopId());
    const QString entryFile = packagingFile(id + QStringLiteral(".desktop"));
    QVERIFY2(QFile::exists(entryFile), qPrintable(entryFile));
    QSettings entry(entryFile, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    QCOMPARE(entry.value(QStringLiteral("Icon")).toString(), id);
    // Docks pair a window with its launcher by the class part of WM_CLASS,
    // which the X11 platform takes from the application name.
    QCOMPARE(entry.value(QStringLiteral("StartupWMClass")).toString(),
             QCoreApplication::applicationName());
    QVERIFY(!QGuiApplication::windowIcon().isNull());

    const QString metainfo = contents(packagingFile(id + QStringLiteral(".metainfo.xml")));
    QVERIFY(metainfo.contains(QStringLiteral("<id>") + id + QStringLiteral("</id>")));
    QVERIFY(metainfo.contains(QStringLiteral("<launchable type=\"desktop-id\">") + id +
                              QStringLiteral(".desktop</launchable>")));
}

void PackagingTest::iconCarriesEveryInstalledSize()
{
    QList<int> sizes;
    for (const QSize& size : appIdentity::icon().availableSizes())
        sizes.append(size.width());
    QCOMPARE(sizes, (QList<int>{16, 22, 24, 32, 48, 64, 128, 256}));
}

void PackagingTest::packagingNamesTheBoardTheProgramLooksFor_data()
{
    const QString vendor = hex4(protocol::kVendorId);
    const QString product = hex4(protocol::kProductId);
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("udev rule") << "70-torvelm4.rules"
                               << QStringList{"ATTRS{idVendor}==\"" + vendor + '"',
                                              "ATTRS{idProduct}==\"" + product + '"',
                                              "TAG+=\"uaccess\"", "GROUP=\"plugdev\"",
                                              "MODE=\"0660\""};
    QTest::newRow("postinst trigger")
        << "debian/postinst"
        << QStringList{"idVendor\" 2>/dev/null)\" = " + vendor + " ]",
                       "idProduct\" 2>/dev/null)\" = " + product + " ]"};
    QTest::newRow("metainfo modalias") << "com.marlox.TorvelM4.metainfo.xml"
                                       << QStringList{"<modalias>usb:v" + vendor.toUpper() + 'p' +
                                                      product.toUpper() + "d*</modalias>"};
}

void PackagingTest::packagingNamesTheBoardTheProgramLooksFor()
{
    QFETCH(QString, file);
    QFETCH(QStringList, expected);
    const QString text = contents(packagingFile(file));
    for (const QString& part : expected)
        QVERIFY2(text.contains(part), qPrintable(file + QStringLiteral(": ") + part));
}

QTEST_MAIN(PackagingTest)
#include "test_packaging.moc"
