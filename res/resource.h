// Resource identifiers, shared by the resource script and the C++ sources.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_VELMORA_DIALOG 102
#define IDP_SOCKETS_INIT_FAILED 103
#define IDR_MAINFRAME 128

#define IDC_OVERWRITE 1000
#define IDC_OUTPATH 1001
#define IDC_OUTTYPE 1002
#define IDC_EXENAME 1003
#define IDC_RUNEXE 1004
#define IDC_BROWSE_OUTPATH 1005
#define IDC_BROWSE_EXE 1006
#define IDC_INSTALL 1007
#define IDC_UNINSTALL 1008

#define IDM_ABOUTBOX 0x0010

#define IDR_MANIFEST 1
