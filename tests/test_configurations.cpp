// The configuration box and settings files: the presets, the entries the
// program keeps by itself, saving and loading files, and what a file that
// cannot be written or read leaves alone.
#include "support/window_fixture.h"

#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QSlider>

namespace {
const QString kDefaultValues = QStringLiteral("3;2.2;1.0;85;0.5;1;5;1.00;0;0.5;15.0;0");
const QStringList kPresets = {"Default configuration", "Low temp configuration"};
const QString kCustom = QStringLiteral("Custom settings");
const QByteArray kCrashFile =
    "[DriverSettings]\nDecayMode=@Variant(\\0\\0\\0\\xa8x2\\0\\0\\x\\03)\n";
const QStringList kTwelveKeys = {"AdaptiveBlanking", "BlankingTime",   "DecayMode",
                                 "DriverName",       "FixedOffTime",   "FullScaleCurrent",
                                 "IdleCurrent",      "MixedDecayTime", "PredriverSpeed",
                                 "ReducedCurrent",   "StepMode",       "TemperatureLimit"};

// field is counted from 1, as in the value string.
QString withField(const QString& values, int field, const QString& text)
{
    QStringList fields = values.split(';');
    fields[field - 1] = text;
    return fields.join(';');
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a failed file action must leave as it was.
struct PanelState {
    QString record;
    QString name;
    QStringList entries;
    QStringList configurations;
    QString selected;
    int tempLimit = 0;
    bool operator==(const PanelState& o) const
    {
        return record == o.record && name == o.name && entries == o.entries &&
               configurations == o.configurations && selected == o.selected &&
               tempLimit == o.tempLimit;
    }
};

PanelState panelState(const WindowFixture& f)
{
    return {Torvel.DrvSettings2String(),
            Torvel.settings.DriverName,
            f.entries(),
            ConfigurationList,
            f.selectedEntry(),
            f.find<QSpinBox>("sbTempLimit")->value()};
}

void clickSave(WindowFixture& f, const QString& fileName)
{
    f.answerer.queueFileName(fileName);
    f.find<QPushButton>("pbSaveSettings")->click();
}

void clickLoad(WindowFixture& f, const QString& fileName)
{
    f.answerer.queueFileName(fileName);
    f.find<QPushButton>("pbLoadSettings")->click();
}
} // namespace

class ConfigurationsTest : public QObject {
    Q_OBJECT
private slots:
    void selectingAPresetAppliesItAndSendsNothing();
    void everyEditReachesTheCustomEntry_data();
    void everyEditReachesTheCustomEntry();
    void savingReplacesCustomSettingsWithTheFileEntry();
    void savedFileHoldsTheTwelveKeys_data();
    void savedFileHoldsTheTwelveKeys();
    void timesRoundTripThroughAFile();
    void loadingAFileThatIsAnEntryUpdatesItInPlace();
    void semicolonInAFileNameStillAppliesItsValues();
    void missingOrUnlistedIndexesKeepTheSelections_data();
    void missingOrUnlistedIndexesKeepTheSelections();
    void fileThatCannotBeWrittenIsNotSaved_data();
    void fileThatCannotBeWrittenIsNotSaved();
    void fileThatCannotBeReadChangesNothing_data();
    void fileThatCannotBeReadChangesNothing();
    void cancelledDialogsOnlyLog_data();
    void cancelledDialogsOnlyLog();

    void nonNumbersReadAsZeroAndAreNamed_data();
    void nonNumbersReadAsZeroAndAreNamed();
    void nanCurrentsNeverReachTheBoardUnseen();
    void crashFileSavedOntoKeepsTheRestAndLoadsAgain();
    void handEditedFileLoads();
    void timesBetweenCountsShowAsTheCountsTime();
};

void ConfigurationsTest::selectingAPresetAppliesItAndSendsNothing()
{
    WindowFixture f;
    QCOMPARE(f.entries(), kPresets);
    QCOMPARE(f.selectedEntry(), kPresets[0]);
    QCOMPARE(Torvel.DrvSettings2String(), kDefaultValues);

    sim::Board* board = f.plugAndScan();
    QVERIFY(f.waitForReplies());
    f.autoApply();
    const QStringList entries = f.entries();
    board->clearReceived();
    f.clearLog();

    f.edit("cbConfigurations", 1);
    QCOMPARE(f.find<QSpinBox>("sbTempLimit")->value(), 45);
    QCOMPARE(Torvel.DrvSettings2String(), withField(kDefaultValues, 4, "45"));
    f.edit("cbConfigurations", 0);
    QCOMPARE(Torvel.DrvSettings2String(), kDefaultValues);

    QVERIFY(board->received().isEmpty());
    QVERIFY(f.lines().isEmpty());
    QCOMPARE(f.entries(), entries);
}

void ConfigurationsTest::everyEditReachesTheCustomEntry_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("values"); // empty: the edit adds no entry
    const auto row = [](const char* control, const QVariant& value, int field, const char* text) {
        QTest::newRow(control) << QString::fromLatin1(control) << value
                               << withField(kDefaultValues, field, QString::fromLatin1(text));
    };
    row("cbStepMode", 6, 1, "6");
    row("dsbFSCurrent", 3.1, 2, "3.1");
    row("dsbIdleCurrent", 0.7, 3, "0.7");
    row("sbTempLimit", 60, 4, "60");
    row("dsbReducedCurrent", 1.2, 5, "1.2");
    row("cbPredriverSpeed", 3, 6, "3");
    row("cbDecayMode", 2, 7, "2");
    row("hsBlankingTime", 99, 8, "2.00");
    row("dsbBlankingTime", 3.0, 8, "3.00");
    row("cbAdaptiveBlanking", 1, 9, "1");
    row("hsMixedDecayTime", 9, 10, "5.0");
    row("dsbMixedDecayTime", 7.5, 10, "7.5");
    row("hsFixedOffTime", 59, 11, "30.0");
    row("dsbFixedOffTime", 40.0, 11, "40.0");
    row("cbDCMotorMode", true, 12, "1");
    QTest::newRow("leDriverName") << "leDriverName" << QVariant("Axis 4") << QString();
}

void ConfigurationsTest::everyEditReachesTheCustomEntry()
{
    QFETCH(QString, control);
    QFETCH(QVariant, value);
    QFETCH(QString, values);
    WindowFixture f;
    f.edit(control, value);
    if (values.isEmpty()) {
        QCOMPARE(f.entries(), kPresets);
        return;
    }
    QCOMPARE(f.entries(), kPresets + QStringList{kCustom});
    QCOMPARE(f.selectedEntry(), kCustom);
    QCOMPARE(f.configuration(kCustom), kCustom + ';' + values);

    f.edit("sbTempLimit", 99);
    QCOMPARE(f.entries(), kPresets + QStringList{kCustom});
    QCOMPARE(f.configuration(kCustom), kCustom + ';' + withField(values, 4, "99"));
}

void ConfigurationsTest::savingReplacesCustomSettingsWithTheFileEntry()
{
    WindowFixture f;
    f.edit("sbTempLimit", 66);
    f.edit("leDriverName", QStringLiteral("Axis 1"));
    QCOMPARE(f.entries(), kPresets + QStringList{kCustom});
    const QString file = f.path(QStringLiteral("motors/axis1.tvs"));
    clickSave(f, file);

    QCOMPARE(f.lines().last(), QStringLiteral("Settings saved to file: ") + file);
    QCOMPARE(f.entries(), kPresets + QStringList{"axis1.tvs"});
    QCOMPARE(ConfigurationList.size(), 3);
    QCOMPARE(f.selectedEntry(), QStringLiteral("axis1.tvs"));
    const QString saved = withField(kDefaultValues, 4, "66");
    QCOMPARE(f.configuration("axis1.tvs"), "axis1.tvs;" + saved);
    QCOMPARE(QSettings(file, QSettings::IniFormat).value("DriverSettings/DriverName").toString(),
             QStringLiteral("Axis 1"));

    f.edit("cbConfigurations", 0);
    QCOMPARE(f.find<QSpinBox>("sbTempLimit")->value(), 85);
    f.edit("cbConfigurations", 2);
    QCOMPARE(f.find<QSpinBox>("sbTempLimit")->value(), 66);
    QCOMPARE(Torvel.DrvSettings2String(), saved);
}

void ConfigurationsTest::savedFileHoldsTheTwelveKeys_data()
{
    QTest::addColumn<QByteArray>("before"); // empty: no file yet
    QTest::addColumn<QStringList>("foreign");
    QTest::newRow("new file") << QByteArray() << QStringList();
    QTest::newRow("file with other keys")
        << QByteArray("[Other]\nkept=1\n[DriverSettings]\nExtra=2\nStepMode=0\n")
        << QStringList{"DriverSettings/Extra", "Other/kept"};
}

void ConfigurationsTest::savedFileHoldsTheTwelveKeys()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, foreign);
    WindowFixture f;
    const QString file = f.path(QStringLiteral("axis.tvs"));
    if (!before.isEmpty())
        writeFile(file, before);
    f.edit("cbDCMotorMode", true);
    f.edit("sbTempLimit", 61);
    clickSave(f, file);

    QSettings settings(file, QSettings::IniFormat);
    QStringList expected = foreign;
    for (const QString& key : kTwelveKeys)
        expected.append("DriverSettings/" + key);
    expected.sort();
    QStringList keys = settings.allKeys();
    keys.sort();
    QCOMPARE(keys, expected);
    settings.beginGroup("DriverSettings");
    QCOMPARE(settings.value("StepMode").toInt(), 3);
    QCOMPARE(settings.value("TemperatureLimit").toInt(), 61);
    QCOMPARE(settings.value("FullScaleCurrent").toDouble(), 2.2);
    QCOMPARE(settings.value("FixedOffTime").toDouble(), 15.0);
    QVERIFY(readFile(file).contains("\nBlankingTime=1\n")); // not 1.0000000000000002
}

void ConfigurationsTest::timesRoundTripThroughAFile()
{
    WindowFixture f;
    f.edit("dsbBlankingTime", 2.56);
    f.edit("hsFixedOffTime", 60);
    f.edit("hsMixedDecayTime", 40);
    const QString file = f.path(QStringLiteral("times.tvs"));
    clickSave(f, file);
    f.edit("dsbBlankingTime", 1.0);
    f.edit("hsMixedDecayTime", 0);
    f.edit("hsFixedOffTime", 0);

    clickLoad(f, file);
    QCOMPARE(f.lines().last(), QStringLiteral("Settings loaded from file: ") + file);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbBlankingTime")->value(), 2.56);
    QCOMPARE(f.find<QSlider>("hsBlankingTime")->value(), 127);
    QCOMPARE(f.find<QSlider>("hsFixedOffTime")->value(), 60);
    QCOMPARE(f.find<QSlider>("hsMixedDecayTime")->value(), 40);
    QCOMPARE(Torvel.settings.BlankingTime, 2.56);
    QCOMPARE(Torvel.settings.TBlank, 127);
    QCOMPARE(Torvel.DrvSettings2String(),
             QStringLiteral("3;2.2;1.0;85;0.5;1;5;2.56;0;20.5;30.5;0"));
}

void ConfigurationsTest::loadingAFileThatIsAnEntryUpdatesItInPlace()
{
    WindowFixture f;
    sim::Board* board = f.plugAndScan();
    QVERIFY(f.waitForReplies());
    const QString file = f.path(QStringLiteral("axis1.tvs"));
    clickSave(f, file);
    {
        QSettings changed(file, QSettings::IniFormat);
        changed.setValue("DriverSettings/TemperatureLimit", 44);
        changed.setValue("DriverSettings/DriverName", "Outside");
    }
    f.edit("sbTempLimit", 70);
    const QStringList entries = f.entries();
    QCOMPARE(entries.last(), kCustom);
    const QString custom = f.configuration(kCustom);
    board->clearReceived();

    clickLoad(f, file);
    QCOMPARE(f.entries(), entries);
    QCOMPARE(f.selectedEntry(), QStringLiteral("axis1.tvs"));
    QCOMPARE(f.configuration("axis1.tvs"), "axis1.tvs;" + withField(kDefaultValues, 4, "44"));
    QCOMPARE(f.configuration(kCustom), custom);
    QCOMPARE(f.find<QSpinBox>("sbTempLimit")->value(), 44);
    QCOMPARE(f.find<QLineEdit>("leDriverName")->text(), QStringLiteral("Outside"));
    QVERIFY(board->received().isEmpty());
}

void ConfigurationsTest::semicolonInAFileNameStillAppliesItsValues()
{
    WindowFixture f;
    f.edit("dsbFSCurrent", 3.3);
    f.edit("sbTempLimit", 33);
    const QString file = f.path(QStringLiteral("a;b.tvs"));
    clickSave(f, file);
    const QString saved = QStringLiteral("3;3.3;1.0;33;0.5;1;5;1.00;0;0.5;15.0;0");
    QCOMPARE(f.configuration("a;b.tvs"), "a;b.tvs;" + saved);

    f.edit("cbConfigurations", 0);
    f.edit("cbConfigurations", f.entries().indexOf("a;b.tvs"));
    QCOMPARE(Torvel.DrvSettings2String(), saved);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbFSCurrent")->value(), 3.3);

    f.edit("cbConfigurations", 1);
    clickLoad(f, file);
    QCOMPARE(f.entries(), kPresets + QStringList{"a;b.tvs"});
    QCOMPARE(Torvel.DrvSettings2String(), saved);
}

void ConfigurationsTest::missingOrUnlistedIndexesKeepTheSelections_data()
{
    QTest::addColumn<QByteArray>("indexKeys");
    QTest::addColumn<QList<int>>("indexes"); // step mode, predriver speed, decay mode
    QTest::newRow("all present") << QByteArray("StepMode=1\nPredriverSpeed=3\nDecayMode=0\n")
                                 << QList<int>{1, 3, 0};
    QTest::newRow("no StepMode") << QByteArray("PredriverSpeed=3\nDecayMode=0\n")
                                 << QList<int>{7, 3, 0};
    QTest::newRow("no PredriverSpeed")
        << QByteArray("StepMode=1\nDecayMode=0\n") << QList<int>{1, 2, 0};
    QTest::newRow("no DecayMode") << QByteArray("StepMode=1\nPredriverSpeed=3\n")
                                  << QList<int>{1, 3, 4};
    QTest::newRow("none of the three") << QByteArray() << QList<int>{7, 2, 4};
    QTest::newRow("beyond the lists")
        << QByteArray("StepMode=9\nPredriverSpeed=4\nDecayMode=6\n") << QList<int>{7, 2, 4};
    QTest::newRow("not numbers") << QByteArray("StepMode=x\nPredriverSpeed=y\nDecayMode=z\n")
                                 << QList<int>{0, 0, 0};
}

void ConfigurationsTest::missingOrUnlistedIndexesKeepTheSelections()
{
    QFETCH(QByteArray, indexKeys);
    QFETCH(QList<int>, indexes);
    WindowFixture f;
    f.edit("cbStepMode", 7);
    f.edit("cbPredriverSpeed", 2);
    f.edit("cbDecayMode", 4);
    const QString file = f.path(QStringLiteral("partial.tvs"));
    writeFile(file, "[DriverSettings]\n" + indexKeys +
                        "FullScaleCurrent=1.5\nTemperatureLimit=50\nBlankingTime=2\n");

    clickLoad(f, file);
    auto* step = f.find<QComboBox>("cbStepMode");
    auto* speed = f.find<QComboBox>("cbPredriverSpeed");
    auto* decay = f.find<QComboBox>("cbDecayMode");
    QCOMPARE((QList<int>{step->currentIndex(), speed->currentIndex(), decay->currentIndex()}),
             indexes);
    QVERIFY(!step->currentText().isEmpty());
    QCOMPARE(Torvel.settings.StepMode, indexes[0]);
    QCOMPARE(Torvel.settings.PredriverSpeed, indexes[1]);
    QCOMPARE(Torvel.settings.DecayMode, indexes[2]);
    QCOMPARE(Torvel.settings.DTime, codec::predriverCodes(indexes[1]).DTime);
    QCOMPARE(f.find<QSpinBox>("sbTempLimit")->value(), 50);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbFSCurrent")->value(), 1.5);
    QCOMPARE(f.find<QSlider>("hsBlankingTime")->value(), 99);
    // Keys without a value read as the smallest the controls allow.
    QCOMPARE(f.find<QDoubleSpinBox>("dsbFixedOffTime")->value(), 0.5);
    QCOMPARE(f.configuration("partial.tvs"), "partial.tvs;" + Torvel.DrvSettings2String());
    const QString listing = f.find<QPlainTextEdit>("pteRegistersValues")->toPlainText();
    QVERIFY(listing.contains(Torvel.DriverRegisters2String()));
    QCOMPARE(int((Torvel.registers.CtrlWord >> 3) & 0xF), indexes[0]);
    QCOMPARE(int((Torvel.registers.DecayWord >> 8) & 7), indexes[2]);
}

void ConfigurationsTest::fileThatCannotBeWrittenIsNotSaved_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("kept"); // content of an existing file that must stay
    QTest::newRow("a directory") << "folder.tvs" << QByteArray();
    QTest::newRow("below a plain file") << "plain.txt/axis.tvs" << QByteArray();
    QTest::newRow("a file that is not INI")
        << "picture.tvs" << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    QTest::newRow("a text file over 64 KiB")
        << "long.tvs" << QByteArray("[DriverSettings]\n") + QByteArray(64 * 1024, ';');
}

void ConfigurationsTest::fileThatCannotBeWrittenIsNotSaved()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, kept);
    WindowFixture f;
    QDir(f.path(QString())).mkpath("folder.tvs");
    writeFile(f.path("plain.txt"), "x");
    if (!kept.isEmpty())
        writeFile(f.path(name), kept);
    f.edit("sbTempLimit", 66);
    const PanelState before = panelState(f);
    f.clearLog();

    clickSave(f, f.path(name));
    QCOMPARE(f.lines().size(), 1);
    QVERIFY(!f.lines().first().startsWith("Settings saved to file: "));
    QVERIFY(f.lines().first().contains(name));
    const QList<dialogs::Shown> shown = f.answerer.shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].kind, dialogs::Kind::Warning);
    QVERIFY(panelState(f) == before);
    if (!kept.isEmpty())
        QCOMPARE(readFile(f.path(name)), kept);
}

void ConfigurationsTest::fileThatCannotBeReadChangesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << "nowhere.tvs";
    QTest::newRow("a directory") << "folder.tvs";
    QTest::newRow("binary, not INI") << "picture.tvs";
    QTest::newRow("text, not INI") << "notes.tvs";
    QTest::newRow("plain text without settings") << "hello.tvs";
    QTest::newRow("100 MB") << "huge.tvs";
}

void ConfigurationsTest::fileThatCannotBeReadChangesNothing()
{
    QFETCH(QString, name);
    WindowFixture f;
    QDir(f.path(QString())).mkpath("folder.tvs");
    writeFile(f.path("picture.tvs"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    writeFile(f.path("notes.tvs"), "[DriverSettings\nTemperatureLimit=3\n");
    writeFile(f.path("hello.tvs"), "greeting=hello\n[Other]\nkey=1\n");
    QFile huge(f.path("huge.tvs"));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    huge.write("[DriverSettings]\nTemperatureLimit=3\n");
    QVERIFY(huge.resize(100 * 1024 * 1024)); // sparse: refused by its size, never read
    huge.close();
    f.edit("leDriverName", QStringLiteral("Axis 5"));
    f.edit("sbTempLimit", 66); // fills the record, name included
    const PanelState before = panelState(f);
    f.clearLog();

    clickLoad(f, f.path(name));
    QCOMPARE(f.lines().size(), 1);
    QVERIFY(!f.lines().first().startsWith("Settings loaded from file: "));
    QVERIFY(f.lines().first().contains(name));
    const QList<dialogs::Shown> shown = f.answerer.shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].kind, dialogs::Kind::Warning);
    QVERIFY(panelState(f) == before);
    QCOMPARE(f.find<QLineEdit>("leDriverName")->text(), QStringLiteral("Axis 5"));
}

void ConfigurationsTest::cancelledDialogsOnlyLog_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("line");
    QTest::newRow("save") << "pbSaveSettings" << int(dialogs::Kind::SaveFile)
                          << "Save settings to file..."
                          << "Saving settings to file canceled.";
    QTest::newRow("load") << "pbLoadSettings" << int(dialogs::Kind::OpenFile)
                          << "Load settings from file..."
                          << "Loading settings from file canceled.";
}

void ConfigurationsTest::cancelledDialogsOnlyLog()
{
    QFETCH(QString, button);
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(QString, line);
    WindowFixture f;
    f.edit("sbTempLimit", 66);
    f.edit("leDriverName", QStringLiteral("typed, not yet in the record"));
    const PanelState before = panelState(f);
    f.clearLog();

    f.find<QPushButton>(qPrintable(button))->click(); // the answerer has no name queued
    QCOMPARE(f.lines(), QStringList{line});
    QCOMPARE(f.answerer.shown().size(), 1);
    QCOMPARE(int(f.answerer.shown()[0].kind), kind);
    QCOMPARE(f.answerer.shown()[0].title, caption);
    QCOMPARE(f.answerer.shown()[0].text, QStringLiteral("Torvel Setting Files (*.tvs)"));
    QVERIFY(panelState(f) == before);
    QVERIFY(QDir(f.path(QString())).entryList({"*.tvs"}).isEmpty());
}

void ConfigurationsTest::nonNumbersReadAsZeroAndAreNamed_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("named");
    QTest::newRow("typed value") << kCrashFile << "DecayMode";
    QTest::newRow("nan, inf and 1e999 currents")
        << QByteArray("[DriverSettings]\nFullScaleCurrent=nan\nIdleCurrent=inf\n"
                      "ReducedCurrent=1e999\n")
        << "FullScaleCurrent, IdleCurrent, ReducedCurrent";
    QTest::newRow("step mode past int")
        << QByteArray("[DriverSettings]\nStepMode=4294967299\n") << "StepMode";
}

void ConfigurationsTest::nonNumbersReadAsZeroAndAreNamed()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, named);
    WindowFixture f;
    f.edit("cbStepMode", 5);
    const QString file = f.path(QStringLiteral("odd.tvs"));
    writeFile(file, content);
    f.clearLog();
    clickLoad(f, file);

    const QString warning = QStringLiteral("Settings file ") + file +
                            QStringLiteral(" holds values that are not numbers, read as 0: ") +
                            named;
    QCOMPARE(f.lines(),
             (QStringList{QStringLiteral("Settings loaded from file: ") + file, warning}));
    QCOMPARE(f.answerer.shown().size(), 2);
    QCOMPARE(f.answerer.shown()[1].kind, dialogs::Kind::Warning);
    QCOMPARE(f.answerer.shown()[1].text, warning);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbFSCurrent")->value(), 0.0);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbIdleCurrent")->value(), 0.0);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbReducedCurrent")->value(), 0.0);
    QCOMPARE(Torvel.settings.FullScaleCurrent, 0.0);
    QCOMPARE(Torvel.settings.IdleCurrent, 0.0);
    QCOMPARE(Torvel.settings.ReducedCurrent, 0.0);
    // A step mode read as 0 selects the first item; a missing one keeps the selection.
    QCOMPARE(f.find<QComboBox>("cbStepMode")->currentIndex(), named == "StepMode" ? 0 : 5);
    if (named == "DecayMode")
        QCOMPARE(f.find<QComboBox>("cbDecayMode")->currentIndex(), 0);
}

void ConfigurationsTest::nanCurrentsNeverReachTheBoardUnseen()
{
    WindowFixture f;
    sim::Board* board = f.plugAndScan();
    QVERIFY(f.waitForReplies());
    f.autoApply();
    const QString file = f.path(QStringLiteral("nan.tvs"));
    writeFile(file, "[DriverSettings]\nStepMode=3\nFullScaleCurrent=nan\nIdleCurrent=inf\n"
                    "ReducedCurrent=-1e999\n");
    board->clearReceived();
    clickLoad(f, file);
    QVERIFY(board->received().isEmpty()); // a load sends nothing
    f.find<QPushButton>("btnWriteDrvValues")->click();

    DrvSettings onBoard;
    const QByteArray block = board->registers();
    codec::decode(codec::fromValuesBlock(reinterpret_cast<const std::uint8_t*>(block.constData())),
                  onBoard);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbFSCurrent")->value(), 0.0);
    QCOMPARE(onBoard.FullScaleCurrent, 0.0);
    QCOMPARE(onBoard.IdleCurrent, 0.0);
    QCOMPARE(onBoard.ReducedCurrent, 0.0);
}

void ConfigurationsTest::crashFileSavedOntoKeepsTheRestAndLoadsAgain()
{
    WindowFixture f;
    const QString file = f.path(QStringLiteral("crash.tvs"));
    const QByteArray other = "[Other]\nkept=@Variant(\\0\\0\\0\\x7f)\n";
    writeFile(file, kCrashFile + other);
    clickLoad(f, file); // names DecayMode and goes on
    f.edit("sbTempLimit", 62);
    clickSave(f, file);
    QCOMPARE(f.lines().last(), QStringLiteral("Settings saved to file: ") + file);

    const QByteArray saved = readFile(file);
    QVERIFY(saved.contains(other));
    QVERIFY(saved.contains("\nDecayMode=0\n"));
    QVERIFY(saved.contains("\nTemperatureLimit=62\n"));
    QVERIFY(saved.contains("\nBlankingTime=0.02\n")); // the time of count 0, as shown
    f.answerer.clear();
    clickLoad(f, file);
    QCOMPARE(f.lines().last(), QStringLiteral("Settings loaded from file: ") + file);
    QCOMPARE(f.answerer.shown().size(), 1); // the file choice, no warning
    QCOMPARE(f.find<QSpinBox>("sbTempLimit")->value(), 62);
}

void ConfigurationsTest::handEditedFileLoads()
{
    WindowFixture f;
    const QString file = f.path(QStringLiteral("edited.tvs"));
    writeFile(file, "\xEF\xBB\xBF# axis 2, tuned by hand\r\n[DriverSettings]\r\n"
                    "TemperatureLimit=70 ; lower in summer\r\nsee the manual\r\n"
                    "FullScaleCurrent=1.5\r\n");
    clickLoad(f, file);
    QCOMPARE(f.lines().last(), QStringLiteral("Settings loaded from file: ") + file);
    QCOMPARE(f.answerer.shown().size(), 1);
    QCOMPARE(f.find<QSpinBox>("sbTempLimit")->value(), 70);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbFSCurrent")->value(), 1.5);
}

void ConfigurationsTest::timesBetweenCountsShowAsTheCountsTime()
{
    WindowFixture f;
    const QString file = f.path(QStringLiteral("between.tvs"));
    writeFile(file, "[DriverSettings]\nBlankingTime=1.23\nMixedDecayTime=1.7\nFixedOffTime=2.2\n");
    clickLoad(f, file);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbFixedOffTime")->value(), 2.0);
    QCOMPARE(f.find<QSlider>("hsFixedOffTime")->value(), 3);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbMixedDecayTime")->value(), 1.5);
    QCOMPARE(f.find<QSlider>("hsMixedDecayTime")->value(), 2);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbBlankingTime")->value(), 1.24);
    QCOMPARE(f.find<QSlider>("hsBlankingTime")->value(), 61);
    QCOMPARE(Torvel.settings.FixedOffTime, 2.0);
    QCOMPARE(Torvel.settings.TOff, 3);

    // Typed between two counts, too.
    f.edit("dsbFixedOffTime", 7.3);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbFixedOffTime")->value(), 7.0);
    QCOMPARE(f.find<QSlider>("hsFixedOffTime")->value(), 13);
    QCOMPARE(Torvel.settings.FixedOffTime, 7.0);
}

QTEST_MAIN(ConfigurationsTest)
#include "test_configurations.moc"
