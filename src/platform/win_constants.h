// Windows constants that the installer's logic uses, with the values Windows
// gives them. The backends never include this file (windows.h defines the
// same names as macros); the logic never includes windows.h.
#pragma once

#include <cstdint>

namespace win {

// Error codes, as GetLastError and the registry functions report them.
inline constexpr uint32_t ERROR_SUCCESS = 0;
inline constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr uint32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr uint32_t ERROR_ADAP_HDW_ERR = 57;  // "A hardware error occurred"
inline constexpr uint32_t ERROR_FILE_EXISTS = 80;
inline constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr uint32_t ERROR_INVALID_LEVEL = 124;
inline constexpr uint32_t ERROR_MOD_NOT_FOUND = 126;
inline constexpr uint32_t ERROR_PROC_NOT_FOUND = 127;
inline constexpr uint32_t ERROR_DIR_NOT_EMPTY = 145;
inline constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr uint32_t ERROR_MORE_DATA = 234;
inline constexpr uint32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr uint32_t ERROR_IO_PENDING = 997;
inline constexpr uint32_t ERROR_SERVICE_REQUEST_TIMEOUT = 1053;
inline constexpr uint32_t ERROR_SERVICE_ALREADY_RUNNING = 1056;
inline constexpr uint32_t ERROR_SERVICE_DOES_NOT_EXIST = 1060;
inline constexpr uint32_t ERROR_SERVICE_CANNOT_ACCEPT_CTRL = 1061;
inline constexpr uint32_t ERROR_SERVICE_NOT_ACTIVE = 1062;
inline constexpr uint32_t ERROR_UNKNOWN_PORT = 1796;
inline constexpr uint32_t ERROR_UNKNOWN_PRINTER_DRIVER = 1797;
inline constexpr uint32_t ERROR_UNKNOWN_PRINTPROCESSOR = 1798;
inline constexpr uint32_t ERROR_INVALID_PRINTER_NAME = 1801;
inline constexpr uint32_t ERROR_PRINTER_ALREADY_EXISTS = 1802;
inline constexpr uint32_t ERROR_UNKNOWN_PRINT_MONITOR = 3000;
inline constexpr uint32_t ERROR_PRINTER_DRIVER_IN_USE = 3001;
inline constexpr uint32_t ERROR_PRINT_MONITOR_ALREADY_INSTALLED = 3006;
inline constexpr uint32_t ERROR_PRINT_MONITOR_IN_USE = 3008;

// Registry.
inline constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr uint32_t KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr uint32_t KEY_READ = 0x20019;
inline constexpr uint32_t KEY_WRITE = 0x20006;
inline constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;
inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;
inline constexpr uint32_t REG_OPTION_NON_VOLATILE = 0;
inline constexpr uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr uint32_t REG_OPENED_EXISTING_KEY = 2;

// Security.
inline constexpr uint32_t TOKEN_ADJUST_PRIVILEGES = 0x0020;
inline constexpr uint32_t TOKEN_QUERY = 0x0008;
inline constexpr uint32_t SE_PRIVILEGE_ENABLED = 2;
inline constexpr uint32_t SET_ACCESS = 2;
inline constexpr uint32_t GRANT_ACCESS = 1;
inline constexpr uint32_t SUB_CONTAINERS_AND_OBJECTS_INHERIT = 3;

// Spooler.
inline constexpr uint32_t PRINTER_ENUM_LOCAL = 0x2;
inline constexpr uint32_t PRINTER_ENUM_CONNECTIONS = 0x4;
inline constexpr uint32_t PRINTER_ALL_ACCESS = 0x000F000C;
inline constexpr uint32_t PRINTER_CONTROL_PURGE = 3;
inline constexpr uint32_t APD_COPY_ALL_FILES = 0x4;

// Services.
inline constexpr uint32_t SC_MANAGER_ALL_ACCESS = 0xF003F;
inline constexpr uint32_t SERVICE_ALL_ACCESS = 0xF01FF;
inline constexpr uint32_t SERVICE_CONTROL_STOP = 1;
inline constexpr uint32_t SERVICE_STOPPED = 1;
inline constexpr uint32_t SERVICE_START_PENDING = 2;
inline constexpr uint32_t SERVICE_STOP_PENDING = 3;
inline constexpr uint32_t SERVICE_RUNNING = 4;
inline constexpr uint32_t SERVICE_PAUSED = 7;

// Files.
// The path limit of the ANSI calls, terminating zero included.
inline constexpr uint32_t MAX_PATH = 260;
inline constexpr uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
inline constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
inline constexpr uint32_t MOVEFILE_REPLACE_EXISTING = 0x1;
inline constexpr uint32_t MOVEFILE_DELAY_UNTIL_REBOOT = 0x4;
inline constexpr uint32_t FILE_ALL_ACCESS = 0x1F01FF;
inline constexpr uint32_t FILE_GENERIC_READ = 0x120089;
inline constexpr uint32_t FILE_GENERIC_EXECUTE = 0x1200A0;

// Version information.
inline constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;

// Window messages, notifications and message boxes.
inline constexpr uint32_t WM_USER = 0x0400;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr uint32_t MB_OK = 0x00;
inline constexpr uint32_t MB_OKCANCEL = 0x01;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x02;
inline constexpr uint32_t MB_YESNOCANCEL = 0x03;
inline constexpr uint32_t MB_YESNO = 0x04;
inline constexpr uint32_t MB_RETRYCANCEL = 0x05;
inline constexpr uint32_t MB_TYPEMASK = 0x0F;
inline constexpr uint32_t MB_ICONSTOP = 0x10;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
inline constexpr uint32_t MB_ICONINFORMATION = 0x40;
inline constexpr uint32_t MB_DEFBUTTON2 = 0x100;
inline constexpr uint32_t MB_DEFBUTTON3 = 0x200;
inline constexpr uint32_t MB_ICONMASK = 0xF0;
inline constexpr int CBN_SELCHANGE = 1;
inline constexpr int BN_CLICKED = 0;
inline constexpr int CB_ERR = -1;

// List-view item states and extended styles.
inline constexpr uint32_t LVIS_FOCUSED = 0x0001;
inline constexpr uint32_t LVIS_SELECTED = 0x0002;
inline constexpr uint32_t LVS_EX_GRIDLINES = 0x0001;
inline constexpr uint32_t LVS_EX_TRACKSELECT = 0x0008;
inline constexpr uint32_t LVS_EX_FULLROWSELECT = 0x0020;
inline constexpr int LVCFMT_LEFT = 0;

}  // namespace win
