// The compiled-in model catalogue: which printer models the installer sets up
// and which files each one needs. Fixed read-only tables, indexed by the model
// index (0-51 receipt models, 52-56 label models). No table is searched by
// name; entries double as identities where a model is recognised by its
// driver-name entry (the plug-in rows).
#pragma once

#include <cstdint>
#include <string>

namespace catalogue {

inline constexpr int32_t kReceiptGroup1Size = 15;
inline constexpr int32_t kReceiptGroup2Size = 7;
inline constexpr int32_t kReceiptGroup3Size = 5;
inline constexpr int32_t kReceiptGroup4Size = 25;
inline constexpr int32_t kReceiptModelCount =
    kReceiptGroup1Size + kReceiptGroup2Size + kReceiptGroup3Size + kReceiptGroup4Size;
inline constexpr int32_t kLabelModelCount = 5;
inline constexpr int32_t kModelCount = kReceiptModelCount + kLabelModelCount;
inline constexpr int32_t kGroupDllCount = 5;
inline constexpr int32_t kUnidrvCoreFileCount = 6;
inline constexpr int32_t kLabelEngineFileCount = 30;
inline constexpr int32_t kPluginRowCount = 12;

// Roles of the label engine lists by position.
inline constexpr int32_t kLabelMonitorDll = 0;
inline constexpr int32_t kLabelDriverDll = 1;
inline constexpr int32_t kLabelUiDll = 2;
inline constexpr int32_t kLabelFirstDependent = 3;

// Receipt display names; each is also the driver name registered with the
// spooler.
extern const char* const ReceiptModelNames[kReceiptModelCount];
// Base of each receipt model's GPD file (<base>.GPD).
extern const char* const ReceiptFileBases[kReceiptModelCount];
// Group DLL bases: [0] group 1, [1] and [2] group 2, [3] group 3, [4] group 4.
extern const char* const GroupDllBases[kGroupDllCount];
// The universal printer driver's core files, copied for every receipt model.
extern const char* const UnidrvCoreFiles[kUnidrvCoreFileCount];
extern const char* const LabelModelNames[kLabelModelCount];
// Base of each label model's .BA0, .DAT and .PP0 files.
extern const char* const LabelFileBases[kLabelModelCount];
extern const char* const LabelEngineFilesX86[kLabelEngineFileCount];
extern const char* const LabelEngineFilesX64[kLabelEngineFileCount];

// The receipt group sizes as the main window holds them.
struct ReceiptGroupSizes {
  int32_t group1 = kReceiptGroup1Size;
  int32_t group2 = kReceiptGroup2Size;
  int32_t group3 = kReceiptGroup3Size;
  int32_t group4 = kReceiptGroup4Size;
};

// Group 1-4 of a receipt index by the running sums of the sizes; 0 when the
// index is not a receipt index.
int32_t ReceiptGroup(int32_t index, const ReceiptGroupSizes& sizes = {});

// True when `driverNameEntry` is one of the twelve ReceiptModelNames entries
// whose models carry the OEM plug-in. The entry itself is compared, not its
// text: a string that merely reads the same is not a plug-in row.
bool IsPluginRow(const char* driverNameEntry);

// The group DLL base for a receipt group. Group 2 has two DLLs: the second
// one only for a printer named exactly as row 20's driver name. Null for a
// group outside 1-4.
const char* GroupDllBase(int32_t group, const std::string& printerName);

// The engine list of one installation: never mixed within a run.
const char* const* LabelEngineFiles(bool wow64);

}  // namespace catalogue
