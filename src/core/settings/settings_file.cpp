// Reading and composing settings files over their bytes.
#include "settings/settings_file.h"

#include "device/board_text.h"
#include "settings/ini_text.h"
#include "settings/number_text.h"

#include <QHash>
#include <QLocale>
#include <cmath>
#include <optional>

namespace settingsfile {

const char* const kGroup = "DriverSettings";
const char* const kKeys[kKeyCount] = {"StepMode",         "FullScaleCurrent", "IdleCurrent",
                                      "TemperatureLimit", "ReducedCurrent",   "PredriverSpeed",
                                      "DecayMode",        "BlankingTime",     "AdaptiveBlanking",
                                      "MixedDecayTime",   "FixedOffTime",     "DriverName"};

namespace {
constexpr int kNumberKeys = kKeyCount - 1;
constexpr int kNameKey = kKeyCount - 1; // DriverName, the one text key
constexpr int kMissingIndex = -1;

// The numeric fields, in the order of kKeys; exactly one member is set.
struct NumberField {
    int DrvSettings::*integer;
    double DrvSettings::*real;
    int missing;
};
const NumberField kNumberFields[kNumberKeys] = {
    {&DrvSettings::StepMode, nullptr, kMissingIndex},
    {nullptr, &DrvSettings::FullScaleCurrent, 0},
    {nullptr, &DrvSettings::IdleCurrent, 0},
    {&DrvSettings::TemperatureLimit, nullptr, 0},
    {nullptr, &DrvSettings::ReducedCurrent, 0},
    {&DrvSettings::PredriverSpeed, nullptr, kMissingIndex},
    {&DrvSettings::DecayMode, nullptr, kMissingIndex},
    {nullptr, &DrvSettings::BlankingTime, 0},
    {&DrvSettings::AdaptiveBlanking, nullptr, 0},
    {nullptr, &DrvSettings::MixedDecayTime, 0},
    {nullptr, &DrvSettings::FixedOffTime, 0},
};

// Qt's INI settings write text that starts with "@" as "@@", to tell it from
// their typed values; only that doubling is undone here.
const QString kTypedMark = QStringLiteral("@");
const QByteArray kUtf8Bom("\xEF\xBB\xBF");

bool isText(const QByteArray& bytes)
{
    for (const char c : bytes) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\v' && u != '\f' && u != '\r')
            return false;
    }
    return true;
}

Status checkBytes(const QByteArray& bytes)
{
    if (bytes.size() > kMaxFileBytes)
        return Status::TooLarge;
    if (!isText(bytes))
        return Status::NotText;
    return Status::Ok;
}

int keyIndex(const QString& key)
{
    for (int i = 0; i < kKeyCount; ++i)
        if (key == QLatin1String(kKeys[i]))
            return i;
    return -1;
}

bool isGroupHeader(const ini::Line& line)
{
    return line.kind == ini::Line::Kind::Section;
}

bool opensGroup(const ini::Line& line)
{
    return isGroupHeader(line) && line.name == QLatin1String(kGroup);
}

QString readName(const QString& rawValue)
{
    QString name = ini::unquote(rawValue);
    if (name.startsWith(kTypedMark + kTypedMark))
        name.remove(0, 1);
    return boardtext::printable(name);
}

QByteArray writtenName(const QString& name)
{
    return ini::quote(name.startsWith(kTypedMark) ? kTypedMark + name : name);
}

QByteArray writtenValue(const DrvSettings& s, int index)
{
    if (index == kNameKey)
        return writtenName(s.DriverName);
    const NumberField& field = kNumberFields[index];
    if (field.integer)
        return QByteArray::number(s.*field.integer);
    const double value = s.*field.real;
    // The shortest text that reads back as the same double.
    return std::isfinite(value)
               ? QString::number(value, 'g', QLocale::FloatingPointShortest).toLatin1()
               : QByteArray("0");
}

QByteArray entryLine(const DrvSettings& s, int index)
{
    return QByteArray(kKeys[index]) + '=' + writtenValue(s, index);
}

QByteArray lineEndOf(const QList<ini::Line>& lines)
{
    for (const ini::Line& line : lines)
        if (!line.ending.isEmpty())
            return line.ending;
    return QByteArray("\n");
}
} // namespace

QString describe(Status status)
{
    switch (status) {
    case Status::Ok:
        return QString();
    case Status::Unreadable:
        return QStringLiteral("the file cannot be read");
    case Status::Unwritable:
        return QStringLiteral("the file cannot be written");
    case Status::TooLarge:
        return QStringLiteral("larger than %1 KiB").arg(kMaxFileBytes / 1024);
    case Status::NotText:
        return QStringLiteral("not a text file");
    case Status::NoSettings:
        return QStringLiteral("no driver settings in the file");
    }
    return QString();
}

ReadResult parse(const QByteArray& bytes, DrvSettings& settings)
{
    ReadResult result;
    result.status = checkBytes(bytes);
    if (result.status != Status::Ok)
        return result;

    std::optional<QString> values[kKeyCount];
    bool inGroup = false;
    for (const ini::Line& line : ini::split(bytes)) {
        if (isGroupHeader(line))
            inGroup = opensGroup(line);
        else if (inGroup && line.kind == ini::Line::Kind::Entry)
            if (const int index = keyIndex(line.key); index >= 0)
                values[index] = line.rawValue;
    }
    for (int i = 0; i < kKeyCount; ++i)
        if (values[i])
            result.presentKeys.append(QLatin1String(kKeys[i]));
    if (result.presentKeys.isEmpty()) {
        result.status = Status::NoSettings;
        return result;
    }

    for (int i = 0; i < kNumberKeys; ++i) {
        const NumberField& field = kNumberFields[i];
        if (field.integer) {
            std::optional<int> number = field.missing;
            if (values[i])
                number = numtext::readInt(ini::unquote(*values[i]));
            settings.*field.integer = number.value_or(0);
            if (!number)
                result.notNumbers.append(QLatin1String(kKeys[i]));
        } else {
            std::optional<double> number = 0.0;
            if (values[i])
                number = numtext::readReal(ini::unquote(*values[i]));
            settings.*field.real = number.value_or(0.0);
            if (!number)
                result.notNumbers.append(QLatin1String(kKeys[i]));
        }
    }
    settings.DriverName = values[kNameKey] ? readName(*values[kNameKey]) : QString();
    return result;
}

ComposeResult compose(const QByteArray& oldBytes, const DrvSettings& settings)
{
    ComposeResult result;
    result.status = checkBytes(oldBytes);
    if (result.status != Status::Ok)
        return result;

    const QList<ini::Line> lines = ini::split(oldBytes);
    const QByteArray lineEnd = lineEndOf(lines);
    bool written[kKeyCount] = {};
    // Where the first group's missing keys go: after its last entry, or its header.
    int insertAfter = -1;
    bool inGroup = false;
    bool inFirstGroup = false;
    QList<QByteArray> out;
    if (oldBytes.startsWith(kUtf8Bom))
        out.append(kUtf8Bom);
    for (const ini::Line& line : lines) {
        if (isGroupHeader(line)) {
            inGroup = opensGroup(line);
            inFirstGroup = inGroup && insertAfter < 0;
        }
        QByteArray bytes = line.bytes;
        if (inGroup && line.kind == ini::Line::Kind::Entry) {
            const int index = keyIndex(line.key);
            if (index >= 0 && written[index])
                continue; // a later duplicate would override the value just written
            if (index >= 0) {
                bytes = entryLine(settings, index);
                written[index] = true;
            }
        }
        out.append(bytes);
        out.append(line.ending);
        if (inFirstGroup && (isGroupHeader(line) || line.kind == ini::Line::Kind::Entry))
            insertAfter = out.size() - 1;
    }

    QList<QByteArray> missing;
    for (int i = 0; i < kKeyCount; ++i)
        if (!written[i])
            missing.append(entryLine(settings, i) + lineEnd);
    if (insertAfter < 0) {
        if (!lines.isEmpty() && lines.last().ending.isEmpty())
            out.append(lineEnd);
        if (!lines.isEmpty() && lines.last().kind != ini::Line::Kind::Blank)
            out.append(lineEnd); // a blank line before the new group
        out.append(QByteArray("[") + kGroup + ']' + lineEnd);
        out.append(missing);
    } else {
        // The line missing keys follow must end first (the old last line may not).
        if (out.at(insertAfter).isEmpty() && !missing.isEmpty())
            out[insertAfter] = lineEnd;
        for (int i = missing.size() - 1; i >= 0; --i)
            out.insert(insertAfter + 1, missing.at(i));
    }
    for (const QByteArray& piece : qAsConst(out))
        result.bytes += piece;
    // A file the next load would refuse must not be written.
    if (result.bytes.size() > kMaxFileBytes) {
        result.status = Status::TooLarge;
        result.bytes.clear();
    }
    return result;
}

} // namespace settingsfile
