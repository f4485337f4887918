// settings get, set and diff: the board's driver values as a settings file,
// values from a file or the command line checked, written, stored and read
// back, and what differs between a file and the board.
#include "arguments.h"
#include "command.h"
#include "console.h"
#include "device/torveldrv.h"
#include "driver_values.h"
#include "session.h"
#include "settings/number_text.h"
#include "settings/register_codec.h"
#include "settings/settings_file.h"
#include "settings/settings_file_io.h"
#include "settings/settings_ranges.h"
#include "settings/time_counts.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

namespace ctl {
namespace {
using settingsrange::kRanges;
using settingsrange::Range;

// "settings diff" found differences: apart from the board's 1 and the input's 2,
// so that a script can tell them from a failure.
constexpr int kExitDiffers = 3;
const QString kNameKey = QStringLiteral("DriverName");
// A KEY=VALUE argument: a file named like one is given as ./NAME.
const QRegularExpression kAssignment(QStringLiteral("^[A-Za-z][A-Za-z0-9]*="));

// Keys asked for and their values.
struct Wanted {
    DrvSettings values;
    bool given[settingsrange::kRangeCount] = {};
    bool nameGiven = false;
};

int indexOf(const Range& range)
{
    return int(&range - kRanges);
}

QString keyList()
{
    QStringList keys;
    for (const Range& range : kRanges)
        keys.append(QLatin1String(range.key));
    keys.append(kNameKey);
    return keys.join(QStringLiteral(", "));
}

// The keys and the values each takes, for the help.
QString keyLines()
{
    constexpr int kKeyColumn = 20;
    QString lines;
    for (const Range& range : kRanges) {
        QString line = QStringLiteral("  ") +
                       QString::fromLatin1(range.key).leftJustified(kKeyColumn) +
                       settingsrange::describe(range);
        if (indexOf(range) == settingsrange::kMixedDecayTime)
            line += QStringLiteral(", not above FixedOffTime");
        lines += line + QLatin1Char('\n');
    }
    return lines + QStringLiteral("  ") + kNameKey.leftJustified(kKeyColumn) +
           QStringLiteral("at most %1 Latin-1 characters\n").arg(settingsrange::kNameLength);
}

// The board's values as the setup panel shows them: currents to 0.1 A.
DrvSettings shownValues(const DrvSettings& board)
{
    DrvSettings shown = board;
    for (const Range& range : kRanges)
        settingsrange::setValue(
            range, shown, settingsrange::shownValue(range, settingsrange::valueOf(range, board)));
    return shown;
}

bool sameStep(const Range& range, double a, double b)
{
    const std::optional<long long> first = settingsrange::stepOf(range, a);
    return first && first == settingsrange::stepOf(range, b);
}

// A file's value as it stands, or as the panel shows it when it is on a step.
QString fileText(const Range& range, double value)
{
    return settingsrange::stepOf(range, value)
               ? settingsrange::text(range, value)
               : QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// Reads the keys FILE sets; false, with the reason said, when it cannot be used.
bool readFile(const QString& fileName, Wanted& wanted)
{
    QByteArray bytes;
    settingsfile::Status status = settingsfile::readFileBytes(fileName, bytes);
    settingsfile::ReadResult read;
    if (status == settingsfile::Status::Ok) {
        read = settingsfile::parse(bytes, wanted.values);
        status = read.status;
    }
    if (status != settingsfile::Status::Ok) {
        printMessage(QStringLiteral("%1: %2").arg(fileName, settingsfile::describe(status)));
        return false;
    }
    if (!read.notNumbers.isEmpty()) {
        printMessage(QStringLiteral("%1: not a number: %2")
                         .arg(fileName, read.notNumbers.join(QStringLiteral(", "))));
        return false;
    }
    for (const Range& range : kRanges)
        wanted.given[indexOf(range)] = read.presentKeys.contains(QLatin1String(range.key));
    wanted.nameGiven = read.presentKeys.contains(kNameKey);
    return true;
}

// Reads KEY=VALUE arguments; false, with the reason said, on an unknown key,
// a key given twice or a value that is not a number of its key's kind.
bool readAssignments(const QStringList& arguments, Wanted& wanted)
{
    for (const QString& argument : arguments) {
        const int equals = argument.indexOf(QLatin1Char('='));
        const QString key = argument.left(equals);
        const QString value = argument.mid(equals + 1);
        const Range* range = settingsrange::find(key);
        if (!range && key != kNameKey) {
            printMessage(QStringLiteral("unknown key '%1'; the keys are %2").arg(key, keyList()));
            return false;
        }
        bool& given = range ? wanted.given[indexOf(*range)] : wanted.nameGiven;
        if (given) {
            printMessage(QStringLiteral("%1 is given twice").arg(key));
            return false;
        }
        given = true;
        if (!range) {
            wanted.values.DriverName = value;
            continue;
        }
        const std::optional<double> number = range->integer
                                                 ? std::optional<double>(numtext::readInt(value))
                                                 : numtext::readReal(value);
        if (!number) {
            printMessage(QStringLiteral("%1 must be %2, not '%3'")
                             .arg(key,
                                  range->integer ? QStringLiteral("a whole number")
                                                 : QStringLiteral("a number"),
                                  value));
            return false;
        }
        settingsrange::setValue(*range, wanted.values, *number);
    }
    return true;
}

// What "settings set" takes: one FILE, or KEY=VALUE arguments.
bool readWanted(const QStringList& arguments, Wanted& wanted)
{
    if (arguments.size() == 1 && !kAssignment.match(arguments.first()).hasMatch())
        return readFile(arguments.first(), wanted);
    for (const QString& argument : arguments) {
        if (!kAssignment.match(argument).hasMatch()) {
            printMessage(
                QStringLiteral("give one FILE or KEY=VALUE arguments, not '%1'").arg(argument));
            return false;
        }
    }
    return readAssignments(arguments, wanted);
}

// Checks the values given, and puts each on its step; false, with the reason said.
bool checkGiven(Wanted& wanted)
{
    for (const Range& range : kRanges) {
        if (!wanted.given[indexOf(range)])
            continue;
        const double value = settingsrange::valueOf(range, wanted.values);
        if (const QString problem = settingsrange::check(range, value); !problem.isEmpty()) {
            printMessage(problem);
            return false;
        }
        settingsrange::setValue(
            range, wanted.values,
            settingsrange::stepValue(range, *settingsrange::stepOf(range, value)));
    }
    if (wanted.nameGiven) {
        if (const QString problem = settingsrange::checkName(wanted.values.DriverName);
            !problem.isEmpty()) {
            printMessage(problem);
            return false;
        }
    }
    if (wanted.given[settingsrange::kMixedDecayTime] &&
        wanted.given[settingsrange::kFixedOffTime]) {
        if (const QString problem = settingsrange::checkTimes(wanted.values); !problem.isEmpty()) {
            printMessage(problem);
            return false;
        }
    }
    return true;
}

// The board's values with the given ones in their place; checked as a whole,
// since a value kept from the board may not suit one given.
bool merge(const Wanted& wanted, const DrvSettings& shown, DrvSettings& target)
{
    target = shown;
    for (const Range& range : kRanges)
        if (wanted.given[indexOf(range)])
            settingsrange::setValue(range, target, settingsrange::valueOf(range, wanted.values));
    if (wanted.nameGiven)
        target.DriverName = wanted.values.DriverName;
    for (const Range& range : kRanges) {
        const double value = settingsrange::valueOf(range, target);
        if (!settingsrange::check(range, value).isEmpty()) {
            printMessage(QStringLiteral("the board holds %1 %2, which the window does not allow; "
                                        "give %1 too")
                             .arg(QLatin1String(range.key),
                                  QString::number(value, 'g', QLocale::FloatingPointShortest)));
            return false;
        }
    }
    if (!settingsrange::checkTimes(target).isEmpty()) {
        // Both given were checked before: the one left out is the board's.
        const bool mixedGiven = wanted.given[settingsrange::kMixedDecayTime];
        const Range& given =
            kRanges[mixedGiven ? settingsrange::kMixedDecayTime : settingsrange::kFixedOffTime];
        const Range& kept =
            kRanges[mixedGiven ? settingsrange::kFixedOffTime : settingsrange::kMixedDecayTime];
        printMessage(QStringLiteral("%1 %2 us would be %3 the board's %4 %5 us; give %4 too")
                         .arg(QLatin1String(given.key),
                              settingsrange::text(given, settingsrange::valueOf(given, target)),
                              mixedGiven ? QStringLiteral("above") : QStringLiteral("below"),
                              QLatin1String(kept.key),
                              settingsrange::text(kept, settingsrange::valueOf(kept, target))));
        return false;
    }
    return true;
}

// The board's record, reproducing its image, with the changed values in place:
// their counts from the times and the predriver codes from the speed.
void applyChanges(const DrvSettings& shown, const DrvSettings& target, DrvSettings& written)
{
    for (const Range& range : kRanges) {
        const double value = settingsrange::valueOf(range, target);
        if (sameStep(range, value, settingsrange::valueOf(range, shown)))
            continue;
        settingsrange::setValue(range, written, value);
    }
    written.TBlank = timecounts::blankingCount(written.BlankingTime);
    written.TDecay = timecounts::halfMicrosecondCount(written.MixedDecayTime);
    written.TOff = timecounts::halfMicrosecondCount(written.FixedOffTime);
    const codec::PredriverCodes codes = codec::predriverCodes(written.PredriverSpeed);
    written.DTime = codes.DTime;
    written.TDrive = codes.TDrive;
    written.IDrive = codes.IDrive;
}

// What the board will hold after written, read as the panel shows it, is target.
bool showsAsTarget(const DrvSettings& written, const DrvSettings& target)
{
    DrvSettings decoded;
    codec::decode(codec::encode(written), decoded);
    for (const Range& range : kRanges)
        if (!sameStep(range,
                      settingsrange::shownValue(range, settingsrange::valueOf(range, decoded)),
                      settingsrange::valueOf(range, target)))
            return false;
    return true;
}

// Word 7 goes out as 0 and is not interpreted; the rest must come back as written.
bool sameImage(DriverRegisters a, DriverRegisters b)
{
    a.Word7 = b.Word7 = 0;
    return a == b;
}

// One line per key whose value differs: key, the board's value, the other value.
QStringList differences(const Wanted& wanted, const DrvSettings& shown, bool fileValues)
{
    QStringList lines;
    for (const Range& range : kRanges) {
        const double board = settingsrange::valueOf(range, shown);
        const double other = settingsrange::valueOf(range, wanted.values);
        if (!wanted.given[indexOf(range)] || sameStep(range, other, board))
            continue;
        lines.append(
            QStringList{QLatin1String(range.key), settingsrange::text(range, board),
                        fileValues ? fileText(range, other) : settingsrange::text(range, other)}
                .join(QLatin1Char('\t')));
    }
    if (wanted.nameGiven && wanted.values.DriverName != shown.DriverName)
        lines.append(QStringList{kNameKey, shown.DriverName, wanted.values.DriverName}.join(
            QLatin1Char('\t')));
    return lines;
}

int get(Context& c)
{
    const QString fileName = c.args.value(QStringLiteral("output"));
    QByteArray old;
    if (!fileName.isEmpty() && QFileInfo::exists(fileName)) {
        settingsfile::Status status = settingsfile::readFileBytes(fileName, old);
        if (status == settingsfile::Status::Ok)
            status = settingsfile::compose(old, DrvSettings()).status;
        if (status != settingsfile::Status::Ok)
            return usageError(QStringLiteral("%1: %2; it is left as it is")
                                  .arg(fileName, settingsfile::describe(status)));
    }
    if (const int status = c.session.open(Session::Values | Session::Name))
        return status;
    const settingsfile::ComposeResult composed =
        settingsfile::compose(old, shownValues(Torvel.settings));
    if (composed.status != settingsfile::Status::Ok)
        return usageError(QStringLiteral("%1: %2; it is left as it is")
                              .arg(fileName, settingsfile::describe(composed.status)));
    if (fileName.isEmpty()) {
        printData(QString::fromUtf8(composed.bytes.chopped(1)));
        return kExitOk;
    }
    if (!settingsfile::writeFileBytes(fileName, composed.bytes))
        return failure(QStringLiteral("cannot write %1").arg(fileName));
    return kExitOk;
}

int set(Context& c)
{
    Wanted wanted;
    if (!readWanted(c.args.positionals(), wanted) || !checkGiven(wanted))
        return kExitUsage;
    if (const int status = c.session.open(Session::Values | Session::Name))
        return status;
    const QString board = QStringLiteral("board %1").arg(c.session.serial());
    const DrvSettings shown = shownValues(Torvel.settings);
    DrvSettings target;
    if (!merge(wanted, shown, target))
        return kExitUsage;
    DrvSettings written = Torvel.settings;
    if (!reproduceBoardValues(written, Torvel.registers))
        return failure(QStringLiteral("%1 holds driver values that cannot be written back "
                                      "unchanged (%2); set them in the window first")
                           .arg(board, Torvel.DrvSettings2String()));
    applyChanges(shown, target, written);
    if (!showsAsTarget(written, target))
        return failure(QStringLiteral("%1: these values cannot be written as given").arg(board));
    const bool renamed = target.DriverName != shown.DriverName;

    Torvel.settings = written;
    Torvel.WriteDriverValues();
    if (renamed)
        Torvel.SetDriverName(target.DriverName);
    Torvel.SaveDriverValues();
    const DriverRegisters expected = codec::encode(written);
    if (!c.session.readValues([&expected] { return sameImage(Torvel.registers, expected); }))
        return failure(QStringLiteral("%1 did not confirm the values written (it holds %2)")
                           .arg(board, Torvel.DriverRegisters2String()));
    if (renamed &&
        !c.session.readName([&target] { return Torvel.settings.DriverName == target.DriverName; }))
        return failure(
            QStringLiteral("%1 kept the name '%2'").arg(board, Torvel.settings.DriverName));
    Wanted changes;
    changes.values = target;
    std::fill(std::begin(changes.given), std::end(changes.given), true);
    changes.nameGiven = true;
    for (const QString& line : differences(changes, shown, false))
        printData(line);
    return kExitOk;
}

int diff(Context& c)
{
    Wanted wanted;
    if (!readFile(c.args.positionals().first(), wanted))
        return kExitUsage;
    if (const int status = c.session.open(Session::Values | Session::Name))
        return status;
    const QStringList lines = differences(wanted, shownValues(Torvel.settings), true);
    for (const QString& line : lines)
        printData(line);
    return lines.isEmpty() ? kExitOk : kExitDiffers;
}

QList<Command> settingsCommands()
{
    return {
        {{QStringLiteral("settings"), QStringLiteral("get")},
         QStringLiteral("[--output FILE]"),
         QStringLiteral("Print the board's driver values as a settings file"),
         QStringLiteral(
             "Reads the board's driver values and name and prints them as a settings file\n"
             "(the window's .tvs format: group DriverSettings, twelve keys), the values as\n"
             "the window shows them. With --output the file is written instead, replaced\n"
             "whole or not at all; an existing FILE keeps its other lines, and one that is\n"
             "not a settings file's text is left alone (status 2)."),
         {{QStringLiteral("output"), QStringLiteral("FILE"),
           QStringLiteral("Write the settings file FILE instead of standard output.")}},
         0,
         0,
         get},
        {{QStringLiteral("settings"), QStringLiteral("set")},
         QStringLiteral("FILE | KEY=VALUE..."),
         QStringLiteral("Write, store and confirm driver values"),
         QStringLiteral("Sets the board's driver values from a settings file, or from KEY=VALUE\n"
                        "arguments with the keys of one:\n\n") +
             keyLines() +
             QStringLiteral(
                 "\nKeys the file or the arguments leave out keep the board's value, and so does\n"
                 "a value equal to the one the window shows for the board: it goes back\n"
                 "exactly as the board holds it. Every value is checked before anything is\n"
                 "sent: a value out of range or between two steps, one that is not a number\n"
                 "and an unknown key are refused with status 2. So is a mixed-decay or fixed\n"
                 "off time that does not suit the other time as the board holds it, and a key\n"
                 "left out whose value on the board is outside its range; nothing is written\n"
                 "then. The values are written and stored, the name only when it changes,\n"
                 "and read back: status 1 when the board does not confirm them. Prints one\n"
                 "line per value changed: key, old value, new value, separated by tabs. A\n"
                 "FILE whose name holds '=' is given as ./FILE."),
         {},
         1,
         -1,
         set},
        {{QStringLiteral("settings"), QStringLiteral("diff")},
         QStringLiteral("FILE"),
         QStringLiteral("List where a settings file and the board differ"),
         QStringLiteral(
             "Prints one line for each key of FILE whose value differs from the board's as\n"
             "the window shows it: key, board value, file value, separated by tabs. Keys\n"
             "the file leaves out are not compared. Status 0 and nothing printed when they\n"
             "agree, 3 when they differ, 2 when FILE cannot be used."),
         {},
         1,
         1,
         diff},
    };
}

const Registration kRegistration(kSettingsGroup, settingsCommands);
} // namespace
} // namespace ctl
