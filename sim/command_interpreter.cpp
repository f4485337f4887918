// The simulated board's firmware and bootloader, one command at a time.
#include "command_interpreter.h"

#include "device/protocol.h"
#include "wire_codec.h"

namespace sim {

namespace {

using namespace protocol;

constexpr std::uint32_t kChecksumSpoiler = 0x5A5A5A5Au;

// The driver values of a fresh board: eight words, the temperature limit and
// the idle and reduced currents.
QByteArray defaultRegisters()
{
    const std::uint16_t words[8] = {0x619, 0x787, 0x01D, 0x031, 0x500, 0xF00, 0x5AF, 0x000};
    QByteArray block;
    for (std::uint16_t word : words) {
        block.append(char(word));
        block.append(char(word >> 8));
    }
    block.append(char(85));
    block.append(QByteArray::fromHex("7a033d03"));
    return block;
}

QByteArray paddedName(const QByteArray& raw)
{
    return raw.left(wire::kNameLength).leftJustified(wire::kNameLength, '\0');
}

bool isBootloaderCommand(std::uint8_t code)
{
    return code >= CMD_BL_ERASE && code <= CMD_BL_READ_CRC;
}

} // namespace

CommandInterpreter::CommandInterpreter(const BoardConfig& config)
    : config_(config), bootloader_(config.bootloader), flash_(config),
      registers_(defaultRegisters()), savedRegisters_(registers_),
      name_(paddedName(QByteArrayLiteral("Bench axis")))
{
    model_.setDriverRegisters(registers_);
}

std::uint32_t CommandInterpreter::key() const
{
    const auto& id = config_.uniqueId;
    return id[3] ^ id[2] ^ id[1] ^ id[0];
}

void CommandInterpreter::powerUp(bool inBootloader)
{
    bootloader_ = inBootloader;
    registers_ = savedRegisters_;
    model_.setDriverRegisters(registers_);
}

void CommandInterpreter::setRegisters(const QByteArray& block)
{
    registers_.replace(0, std::min(block.size(), wire::kValuesBlockLength),
                       block.left(wire::kValuesBlockLength));
    savedRegisters_ = registers_;
    model_.setDriverRegisters(registers_);
}

void CommandInterpreter::setName(const QByteArray& raw)
{
    name_ = paddedName(raw);
}

QByteArray CommandInterpreter::deviceInfo() const
{
    wire::Identity id;
    id.bootloaderHigh = config_.bootloaderHigh;
    id.bootloaderLow = config_.bootloaderLow;
    id.firmwareHigh = flash_.versionHigh();
    id.firmwareLow = flash_.versionLow();
    id.bootloaderRunning = bootloader_;
    id.signature = flash_.signature();
    id.uniqueId = config_.uniqueId;
    id.temperatureRaw = model_.values().temperatureRaw;
    return wire::deviceInfoReply(id);
}

void CommandInterpreter::take(const QByteArray& command, Effects& effects)
{
    const std::uint8_t code = wire::code(command);
    if (ignored_.test(code))
        return;
    switch (code) {
    case CMD_GET_DEVICE_INFO:
        effects.reply(deviceInfo());
        return;
    case CMD_RESTART:
        // Only an application asks for its bootloader; the bootloader starts
        // the application unless it is incomplete.
        effects.restart(!bootloader_ || !flash_.signatureValid());
        return;
    default:
        break;
    }
    if (bootloader_)
        inBootloader(command, effects);
    else
        inApplication(command, effects);
}

void CommandInterpreter::inBootloader(const QByteArray& command, Effects& effects)
{
    const std::uint8_t code = wire::code(command);
    if (!isBootloaderCommand(code))
        return;
    effects.bootloaderBusy();
    const int sector = wire::bootloaderSector(command);
    switch (code) {
    case CMD_BL_ERASE:
        flash_.eraseSector(sector);
        break;
    case CMD_BL_WRITE_BLOCK:
        flash_.writeBlock(sector, wire::bootloaderSubsector(command), wire::flashBlock(command));
        break;
    case CMD_BL_WRITE_SIGNATURE:
        flash_.writeSignature(wire::signatureArgument(command));
        break;
    case CMD_BL_READ_CRC:
        if (sector < BoardFlash::kSectors) {
            const std::uint32_t checksum = flash_.checksum(sector);
            effects.reply(wire::checksumReply(
                sector == mislabelledChecksumSector_ ? sector + 1 : sector,
                sector == wrongChecksumSector_ ? checksum ^ kChecksumSpoiler : checksum));
        }
        break;
    default:
        break;
    }
}

void CommandInterpreter::inApplication(const QByteArray& command, Effects& effects)
{
    const std::uint8_t code = wire::code(command);
    switch (code) {
    case CMD_GET_VALUES:
        effects.reply(wire::valuesReply(registers_));
        break;
    case CMD_WRITE_VALUES:
        registers_ = wire::writtenValues(command);
        model_.setDriverRegisters(registers_);
        break;
    case CMD_SAVE_VALUES:
        savedRegisters_ = registers_;
        break;
    case CMD_SET_NAME:
        name_ = wire::nameArgument(command);
        break;
    case CMD_GET_NAME:
        effects.reply(wire::nameReply(name_));
        break;
    case CMD_RT_STREAM:
        effects.startStream();
        break;
    case CMD_SET_ENABLE:
        model_.setEnabled(wire::enableArgument(command));
        break;
    case CMD_RESET_FAULTS:
        model_.resetFaults();
        break;
    case CMD_SET_STEP_FREQ: {
        const wire::StepRate rate = wire::stepRate(command);
        model_.setStepRate(rate.divider, rate.forward);
        effects.reply(wire::echoReply(code));
        break;
    }
    case CMD_SET_PWM:
        model_.setPwm(wire::pwmDuties(command));
        effects.reply(wire::echoReply(code));
        break;
    case CMD_WRITE_TRAJECTORY: {
        const wire::Trajectory t = wire::trajectory(command);
        model_.setTrajectory(t.target, t.maxSpeed, t.acceleration, t.deceleration);
        effects.reply(wire::echoReply(code));
        break;
    }
    case CMD_STOP_TRAJECTORY:
        model_.stopTrajectory();
        break;
    case CMD_SET_HOME:
        model_.setHome();
        break;
    default:
        break;
    }
}

} // namespace sim
