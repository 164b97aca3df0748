// Resource and control ids of DRUVO.exe. Also read by the GUI driver (tests/gui), which
// finds the controls of the running program by these ids.
#pragma once

#define IDI_DRUVO 1
#define IDB_IMAGE1 101

// frmDRUVO. Ids 1 and 2 (IDOK, IDCANCEL) are left out on purpose: the dialog manager sends
// them for Enter and Esc, and no control of this window reacts to those keys.
#define IDC_IMAGE1 1000
#define IDC_LABEL1 1001
#define IDC_OPTION1 1002
#define IDC_OPTION2 1003
#define IDC_LBLKLANTID 1004
#define IDC_TXTKLANTID 1005
#define IDC_LBLEXTENSIE 1006
#define IDC_TXTEXTENSIE 1007
#define IDC_LBLEXEPATH 1008
#define IDC_TXTEXEPATH 1009
#define IDC_BTNBROWSEPROG 1010
#define IDC_LBLDATABASEPATH 1011
#define IDC_TXTDATABASEPATH 1012
#define IDC_BTNBROWSEDATA 1013
#define IDC_LBLBEZIG 1014
#define IDC_TXTBEZIG 1015
#define IDC_TXTLOG 1016
#define IDC_BTNCANCEL 1017
#define IDC_BTNSTART 1018

// frmFolderSelect.
#define IDC_DRIVE1 1100
#define IDC_DIR1 1101
#define IDC_FOLDER_OK 1102
#define IDC_FOLDER_CANCEL 1103

// Window classes, for FindWindowW.
#define DRUVO_MAIN_CLASS L"DruvoMainWindow"
#define DRUVO_FOLDER_CLASS L"DruvoFolderSelect"
