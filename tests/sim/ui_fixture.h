// Identifiers of the dialog templates in ui_fixture.rc.
#ifndef UI_FIXTURE_H
#define UI_FIXTURE_H

#define IDD_PLAIN 200
#define IDD_FORM 201
#define IDD_NAMED (IDD_FORM + 1)
#define IDC_NAME 1100
#define IDC_OPTION 1101
#define IDC_LIST 1102
#define IDC_BAR 1103
#define IDC_GO 1104
#define IDC_NOTE 1105
#define IDC_KIND 1106
#define IDC_READONLY 1107
#define IDC_HIDDEN 1108
#define IDC_NEGATIVE -7

#endif
