// Ids of the layer's sample resources: a dialog with one control of every kind, a menu and a
// menu bar. They show the formats in use and let the layer's tests and a developer on the
// presenter exercise every control; the program's own resources use ids below 9000.
#pragma once

#define IDD_SAMPLE_CONTROLS 9001
#define IDM_SAMPLE_MENU 9002
#define IDR_SAMPLE_MENUBAR 9003

// Controls of IDD_SAMPLE_CONTROLS.
#define IDC_SAMPLE_LABEL 9101
#define IDC_SAMPLE_EDIT 9102
#define IDC_SAMPLE_CHECK 9103
#define IDC_SAMPLE_RADIO1 9104
#define IDC_SAMPLE_RADIO2 9105
#define IDC_SAMPLE_GROUP 9106
#define IDC_SAMPLE_LIST 9107
#define IDC_SAMPLE_COMBO 9108
#define IDC_SAMPLE_COMBOEDIT 9109
#define IDC_SAMPLE_LISTVIEW 9110
#define IDC_SAMPLE_TREE 9111
#define IDC_SAMPLE_TAB 9112
#define IDC_SAMPLE_TRACK 9113
#define IDC_SAMPLE_DATE 9114
#define IDC_SAMPLE_TIME 9115
#define IDC_SAMPLE_PROGRESS 9116
#define IDC_SAMPLE_SCROLL 9117
#define IDC_SAMPLE_MULTI 9118

// Commands of IDM_SAMPLE_MENU and IDR_SAMPLE_MENUBAR.
#define IDM_SAMPLE_OPEN 9201
#define IDM_SAMPLE_SAVE 9202
#define IDM_SAMPLE_EXIT 9203
#define IDM_SAMPLE_SCALE_FIRST 9210  // 9210..9214: a radio group in a submenu
#define IDM_SAMPLE_GRID 9220
#define IDM_SAMPLE_FILL 9221
#define IDM_SAMPLE_MENUBUTTON 9230
#define IDM_SAMPLE_VIEWBUTTON 9231
