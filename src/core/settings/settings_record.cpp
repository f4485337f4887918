// The device object's settings record operations, over the pure codec.
#include "device/torveldrv.h"

#include "settings/register_codec.h"

using namespace protocol;

void TorvelDRV::DrvSettings2DriverRegisters()
{
    registers = codec::encode(settings);
}

void TorvelDRV::DriverRegisters2DrvSettings()
{
    codec::decode(registers, settings);
}

void TorvelDRV::Buffer2DriverRegisters()
{
    registers = codec::fromValuesBlock(rx + valuesreply::kBlock);
}

void TorvelDRV::DriverRegisters2Buffer()
{
    codec::toWriteBlock(registers, settings.DCMotorMode, tx + writevalues::kBlock);
    // The block's spare byte would otherwise carry leftovers of an earlier scrambled report.
    tx[writevalues::kBlock + writevalues::kSpare] = 0;
}

QString TorvelDRV::DrvSettings2String() const
{
    return codec::valueString(settings);
}

QString TorvelDRV::DriverRegisters2String() const
{
    return codec::registerListing(registers);
}

void TorvelDRV::String2DrvSettings(const QString& text)
{
    codec::parseConfiguration(text, settings);
}
