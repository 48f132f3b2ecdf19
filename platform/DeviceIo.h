#pragma once
// platform/DeviceIo.h — the unit's device I/O entry points.
//
// Device files ("SPI4:", "PIO1:", ...) are opened by name and driven with
// synchronous I/O control requests carrying the sensor driver stack's records.
// A DeviceProvider answers them: the virtual unit by default, or a unit whose
// devices all fail to open. Records keep their 32-bit layout; a field that
// carries an address holds a token from the shared-buffer table below.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace platform {

using Handle = intptr_t;
constexpr Handle kInvalidHandle = -1;

// One open device, as a driver instance sees it.
class Device {
public:
    virtual ~Device() = default;
    // Performs one request. Returns false for an unknown code, a buffer of the
    // wrong size or a failure of the device; returned counts the output bytes.
    virtual bool Control(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                         uint32_t& returned) = 0;
};

// Answers opens and activations for a whole unit.
class DeviceProvider {
public:
    virtual ~DeviceProvider() = default;
    // nullptr when no such device exists or it cannot be opened.
    virtual std::unique_ptr<Device> Open(std::string_view name) = 0;
    // Loads a driver from its registry path; false when it cannot.
    virtual bool Activate(std::string_view registryPath) = 0;
    // Why the sampling converter can deliver no more (an audio device that
    // was unplugged, a capture whose input ended); empty while it can.
    virtual std::string ConverterFault() const { return {}; }
};

// A unit with no devices: every open and activation fails.
class NullDeviceProvider final : public DeviceProvider {
public:
    std::unique_ptr<Device> Open(std::string_view) override { return nullptr; }
    bool Activate(std::string_view) override { return false; }
};

// Replaces the provider; open handles keep their devices. nullptr installs the
// null provider.
void SetDeviceProvider(std::shared_ptr<DeviceProvider> provider);
DeviceProvider& GetDeviceProvider();

// Opens a device by name; kInvalidHandle on failure.
Handle CreateFile(std::string_view name);
// One request; false on an invalid handle or a failed request. returned may be null.
bool DeviceIoControl(Handle h, uint32_t code, const void* in, uint32_t inSize, void* out,
                     uint32_t outSize, uint32_t* returned);
bool CloseHandle(Handle h);
// Activates a driver; a handle that stands for it, or kInvalidHandle.
Handle ActivateDeviceEx(std::string_view registryPath);
bool DeactivateDevice(Handle h);

// Shared buffers: memory that a record refers to by a 32-bit token.
uint32_t RegisterSharedBuffer(void* data, uint32_t size);
void UnregisterSharedBuffer(uint32_t token);
// The buffer behind a token; an empty span for an unknown token.
std::span<uint8_t> ResolveSharedBuffer(uint32_t token);

}  // namespace platform
