// Resource identifiers shared by installer.rc and the code.
#ifndef INSTALLER_RESOURCE_H
#define INSTALLER_RESOURCE_H

// Controls without an id of their own, and the standard cancel button.
#define IDC_STATIC -1
#define IDC_CANCEL 2

// Dialog templates.
#define IDD_MAIN 102
#define IDD_TCPIP_PORT 130
#define IDD_PARALLEL_PORT 131
#define IDD_SERIAL_PROMPT 132
#define IDD_USB_PORT 133
#define IDD_UNINSTALL 134

// Main window.
#define IDC_DRIVER_NAME 1000
#define IDC_PRINTER_NAME 1001
#define IDC_SET_DEFAULT 1002
#define IDC_PORT_HINT 1003
#define IDC_PORT_LIST 1004
#define IDC_PROGRESS 1007
#define IDC_PORT_GROUP 1008
#define IDC_DRIVER_NAME_LABEL 1009
#define IDC_PRINTER_NAME_LABEL 1010
#define IDC_STATUS 1011
#define IDC_INSTALL 1012
#define IDC_OPEN_UNINSTALL 1044

// Port dialogs (the port list is IDC_PORT_LIST in each).
#define IDC_ADD_PORT 1029
#define IDC_DIALOG_HINT 1030
#define IDC_CONFIGURE_PORT 1031
#define IDC_DELETE_PORT 1032
#define IDC_BAUD_RATE 1034
#define IDC_PROMPT_NO 1036
#define IDC_DIALOG_OK 1037
#define IDC_DIALOG_CANCEL 1039
#define IDC_USB_OK 1043
#define IDC_PROMPT_YES 1030

// Uninstall window.
#define IDC_UNINSTALL_DRIVER 1045
#define IDC_UNINSTALL_PROGRESS 1046
#define IDC_REFRESH 1047

#endif
