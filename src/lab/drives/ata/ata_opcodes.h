#pragma once
// ATA command opcodes and error bits the emulated drives answer.
#include <cstdint>

namespace lab::drives::ata {

inline constexpr uint8_t kNop = 0x00;
inline constexpr uint8_t kDataSetManagement = 0x06;
inline constexpr uint8_t kReadSectors = 0x20;
inline constexpr uint8_t kReadSectorsNoRetry = 0x21;
inline constexpr uint8_t kReadSectorsExt = 0x24;
inline constexpr uint8_t kReadDmaExt = 0x25;
inline constexpr uint8_t kReadNativeMaxExt = 0x27;
inline constexpr uint8_t kReadMultipleExt = 0x29;
inline constexpr uint8_t kWriteSectors = 0x30;
inline constexpr uint8_t kWriteSectorsNoRetry = 0x31;
inline constexpr uint8_t kWriteSectorsExt = 0x34;
inline constexpr uint8_t kWriteDmaExt = 0x35;
inline constexpr uint8_t kWriteMultipleExt = 0x39;
inline constexpr uint8_t kWriteDmaFuaExt = 0x3D;
inline constexpr uint8_t kReadVerify = 0x40;
inline constexpr uint8_t kReadVerifyNoRetry = 0x41;
inline constexpr uint8_t kReadVerifyExt = 0x42;
inline constexpr uint8_t kExecuteDiagnostic = 0x90;
inline constexpr uint8_t kDownloadMicrocode = 0x92;
inline constexpr uint8_t kDownloadMicrocodeDma = 0x93;
inline constexpr uint8_t kSmart = 0xB0;
inline constexpr uint8_t kReadMultiple = 0xC4;
inline constexpr uint8_t kWriteMultiple = 0xC5;
inline constexpr uint8_t kSetMultiple = 0xC6;
inline constexpr uint8_t kReadDma = 0xC8;
inline constexpr uint8_t kWriteDma = 0xCA;
inline constexpr uint8_t kStandbyImmediate = 0xE0;
inline constexpr uint8_t kIdleImmediate = 0xE1;
inline constexpr uint8_t kStandby = 0xE2;
inline constexpr uint8_t kIdle = 0xE3;
inline constexpr uint8_t kCheckPowerMode = 0xE5;
inline constexpr uint8_t kFlushCache = 0xE7;
inline constexpr uint8_t kFlushCacheExt = 0xEA;
inline constexpr uint8_t kIdentifyDevice = 0xEC;
inline constexpr uint8_t kSetFeatures = 0xEF;
inline constexpr uint8_t kSecuritySetPassword = 0xF1;
inline constexpr uint8_t kSecurityUnlock = 0xF2;
inline constexpr uint8_t kSecurityErasePrepare = 0xF3;
inline constexpr uint8_t kSecurityEraseUnit = 0xF4;
inline constexpr uint8_t kSecurityFreezeLock = 0xF5;
inline constexpr uint8_t kSecurityDisablePassword = 0xF6;
inline constexpr uint8_t kReadNativeMax = 0xF8;

// SMART features (features register of B0h).
inline constexpr uint8_t kSmartReadData = 0xD0;
inline constexpr uint8_t kSmartReadThresholds = 0xD1;
inline constexpr uint8_t kSmartAutosave = 0xD2;
inline constexpr uint8_t kSmartOfflineImmediate = 0xD4;
inline constexpr uint8_t kSmartEnable = 0xD8;
inline constexpr uint8_t kSmartDisable = 0xD9;
inline constexpr uint8_t kSmartReturnStatus = 0xDA;
inline constexpr uint8_t kSmartLbaMid = 0x4F;
inline constexpr uint8_t kSmartLbaHigh = 0xC2;
inline constexpr uint8_t kSmartExceededMid = 0xF4;
inline constexpr uint8_t kSmartExceededHigh = 0x2C;

// Status and error registers.
inline constexpr uint8_t kStatusGood = 0x50;   // DRDY | DSC
inline constexpr uint8_t kStatusError = 0x51;  // DRDY | DSC | ERR
inline constexpr uint8_t kErrorAbort = 0x04;
inline constexpr uint8_t kErrorIdNotFound = 0x10;
inline constexpr uint8_t kErrorUncorrectable = 0x40;

}  // namespace lab::drives::ata
