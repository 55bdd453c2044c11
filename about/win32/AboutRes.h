#pragma once

// Resource names and control identifiers of the About box, shared by its
// resource script and its code.

#define IDD_ABOUTBOX 100
#define IDB_BRINDLELOGO 100

#define IDC_PANEL1 101
#define IDC_BRINDLEIMAGE 102
#define IDC_PROGRAMICON 103
#define IDC_PRODUCTNAME 104
#define IDC_VERSION 105
#define IDC_STATICTEXT1 106
#define IDC_LABEL4 107
#define IDC_LABEL3 108
#define IDC_LABEL2 109
#define IDC_INFOLABEL 110
// The OK button is the dialog's IDOK (1).
