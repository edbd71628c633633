#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>

namespace brv {

// COM numbers and device nodes, one stable rule: COM1 to COM32 are /dev/ttyS0 to /dev/ttyS31
// (on-board and PCI ports), COM33 to COM64 are /dev/ttyUSB0 to /dev/ttyUSB31 (USB adapters).
// Numbers outside 1 to 64 have no node (empty text).
inline constexpr int kMaxComPort = 64;
QString comDevicePath(int port);

// Whether a device node exists, is a character device and a terminal, and can be opened now
// exclusively (no other program holds it).
bool isUsableSerialDevice(const QString& path);

// Bit n-1 set for each usable COM number n (1 to 64). `usable` decides per number; by default
// the node of comDevicePath(n) is tried with isUsableSerialDevice().
quint64 availableSerialPorts(const std::function<bool(int port)>& usable = {});

// Usable COM numbers in ascending order.
QList<int> portNumbers(quint64 available);

} // namespace brv
