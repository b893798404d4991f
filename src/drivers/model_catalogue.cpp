#include "drivers/model_catalogue.h"

namespace catalogue {

const char* const ReceiptModelNames[kReceiptModelCount] = {
    "RX-01 Series",
    "RX-02 Series",
    "RX-03 Series",
    "RX-04 Series",
    "RX-05 Series",
    "RX-06 Series",
    "RX-07 Series",
    "RX-08 Series",
    "RX-09 Series",
    "RX-10 Series",
    "RX-11 Series",
    "RX-12 Series",
    "RX-13 Series",
    "RX-14(Receipt)",
    "RX-15",
    "RX-16 Series",
    "RX-17(No Cut) Series",
    "RX-18(Cut) Series",
    "RX-19 Series",
    "RX-20 Series",
    "RX-21(No Cut) Series",
    "RX-22(Cut) Series",
    "RX-23BM",
    "RX-24BM",
    "RX-25BM",
    "RX-26BM",
    "RX-27BM",
    "RX-28(No Cut) Series",
    "RX-29(Cut) Series",
    "RX-30(No Cut) Series",
    "RX-31(Cut) Series",
    "RX-32 Series",
    "RX-33 Series",
    "RX-34 Series",
    "RX-35 Series",
    "RX-36 Series",
    "RX-37 Series",
    "RX-38 Series",
    "RX-39 Series",
    "RX-40 Series",
    "RX-41 Series",
    "RX-42 Series",
    "RX-43 Series",
    "RX-44 Series",
    "RX-45 Series",
    "RX-46 Series",
    "RX-47 Series",
    "RX-48 Series",
    "RX-49 Series",
    "RX-50 Series",
    "RX-51 Series",
    "RX-52 Series",
};

// Rows 6 and 7 share RXF06; rows 15 and 27 use their display names.
const char* const ReceiptFileBases[kReceiptModelCount] = {
    "RXF01", "RXF02", "RXF03", "RXF04", "RXF05", "RXF06", "RXF06", "RXF08", "RXF09",
    "RXF10", "RXF11", "RXF12", "RXF13", "RXF14", "RX-15", "RXF16", "RXF17", "RXF18",
    "RXF19", "RXF20", "RXF21", "RXF22", "RXF23", "RXF24", "RXF25", "RXF26", "RX-27BM",
    "RXF28", "RXF29", "RXF30", "RXF31", "RXF32", "RXF33", "RXF34", "RXF35", "RXF36",
    "RXF37", "RXF38", "RXF39", "RXF40", "RXF41", "RXF42", "RXF43", "RXF44", "RXF45",
    "RXF46", "RXF47", "RXF48", "RXF49", "RXF50", "RXF51", "RXF52",
};

const char* const GroupDllBases[kGroupDllCount] = {"RXF12", "RXG02", "RXG03", "RXG04", "RXG05"};

const char* const UnidrvCoreFiles[kUnidrvCoreFileCount] = {
    "uniDRVui.DLL", "uniDRV.DLL", "UNIDRV.HLP", "UNIRES.DLL", "TTFSUB.GPD", "STDNAMES.GPD",
};

const char* const LabelModelNames[kLabelModelCount] = {
    "LX-1(Label)", "LX-2(Label)", "LX-3(Label)", "LX-4(Label)", "LX-5(Label)",
};

const char* const LabelFileBases[kLabelModelCount] = {"LXF1", "LXF2", "LXF3", "LXF4", "LXF5"};

const char* const LabelEngineFilesX86[kLabelEngineFileCount] = {
    "lbxmonNT.dll", "LBXDRV50.DLL", "LBXUI50.DLL",  "LBXENG50.DLL", "LBXSLO50.DLL", "LBXCRO50.DLL",
    "LBXGER50.DLL", "LBXDAN50.DLL", "LBXFRA50.DLL", "LBXSPA50.DLL", "LBXITA50.DLL", "LBXFIN50.DLL",
    "LBXDUT50.DLL", "LBXCZE50.DLL", "LBXPOL50.DLL", "LBXHUN50.DLL", "LBXRUS50.DLL", "LBXTUR50.DLL",
    "LBXSWE50.DLL", "LBXHEB50.DLL", "LBXSVK50.DLL", "LBXLIT50.DLL", "LBXCHI50.DLL", "LBXSCH50.DLL",
    "LBXTAI50.DLL", "LBXKOR50.DLL", "LBXJAP50.DLL", "LBXUKR50.DLL", "LBXNOR50.DLL", "LBXPBR50.DLL",
};

const char* const LabelEngineFilesX64[kLabelEngineFileCount] = {
    "lbxmon64.dll", "LBXDRV56.DLL", "LBXUI56.DLL",  "LBXENG56.DLL", "LBXSLO56.DLL", "LBXCRO56.DLL",
    "LBXGER56.DLL", "LBXDAN56.DLL", "LBXFRA56.DLL", "LBXSPA56.DLL", "LBXITA56.DLL", "LBXFIN56.DLL",
    "LBXDUT56.DLL", "LBXCZE56.DLL", "LBXPOL56.DLL", "LBXHUN56.DLL", "LBXRUS56.DLL", "LBXTUR56.DLL",
    "LBXSWE56.DLL", "LBXHEB56.DLL", "LBXSVK56.DLL", "LBXLIT56.DLL", "LBXCHI56.DLL", "LBXSCH56.DLL",
    "LBXTAI56.DLL", "LBXKOR56.DLL", "LBXJAP56.DLL", "LBXUKR56.DLL", "LBXNOR56.DLL", "LBXPBR56.DLL",
};

namespace {

// Rows 33-36 and 42-49, by their table entries.
const char* const* const kPluginEntries[kPluginRowCount] = {
    &ReceiptModelNames[32], &ReceiptModelNames[33], &ReceiptModelNames[34], &ReceiptModelNames[35],
    &ReceiptModelNames[41], &ReceiptModelNames[42], &ReceiptModelNames[43], &ReceiptModelNames[44],
    &ReceiptModelNames[45], &ReceiptModelNames[46], &ReceiptModelNames[47], &ReceiptModelNames[48],
};

}  // namespace

int32_t ReceiptGroup(int32_t index, const ReceiptGroupSizes& sizes) {
  if (index < 0) return 0;
  int32_t end = sizes.group1;
  if (index < end) return 1;
  end += sizes.group2;
  if (index < end) return 2;
  end += sizes.group3;
  if (index < end) return 3;
  end += sizes.group4;
  if (index < end) return 4;
  return 0;
}

bool IsPluginRow(const char* driverNameEntry) {
  if (driverNameEntry == nullptr) return false;
  for (const char* const* entry : kPluginEntries) {
    if (*entry == driverNameEntry) return true;
  }
  return false;
}

const char* GroupDllBase(int32_t group, const std::string& printerName) {
  switch (group) {
    case 1:
      return GroupDllBases[0];
    case 2:
      return printerName == ReceiptModelNames[19] ? GroupDllBases[2] : GroupDllBases[1];
    case 3:
      return GroupDllBases[3];
    case 4:
      return GroupDllBases[4];
    default:
      return nullptr;
  }
}

const char* const* LabelEngineFiles(bool wow64) {
  return wow64 ? LabelEngineFilesX64 : LabelEngineFilesX86;
}

}  // namespace catalogue
