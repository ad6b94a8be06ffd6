#pragma once

#include <QString>

#include <optional>

// What Windows tells of the Bluetooth device behind a COM port. Pairing a robot makes two ports
// of the Serial Port service: an outgoing one, whose device instance ID ends in the robot's
// address ("BTHENUM\{00001101-...}_LOCALMFG&0002\7&2A3B4C5D&0&98D331FB1A2C_C00000000"), which
// reaches the robot, and an incoming one, which waits for the robot to call and carries no
// address ("..._LOCALMFG&0000\7&2A3B4C5D&0&000000000000_00000000").
namespace BluetoothPortId {

enum class Direction
{
    Outgoing,
    Incoming
};

struct Port
{
    // "98:D3:31:FB:1A:2C"; empty for an incoming port, and where only a hardware ID is known.
    QString address;
    Direction direction = Direction::Outgoing;
    bool operator==(const Port &) const = default;
};

// Reads a device instance ID, or a hardware ID (the part before the instance), of a port that
// Windows' Bluetooth enumerator made; nothing for any other port (USB, built-in, another stack).
std::optional<Port> parse(const QString &deviceId);

} // namespace BluetoothPortId
