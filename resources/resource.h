// Every resource, control, command, timer and message number of the program.
// Shared by tensikon.rc and the code, so it holds only #define lines that the
// resource compiler understands.
#pragma once

// The application manifest: the number the loader reads for the process
// (CREATEPROCESS_MANIFEST_RESOURCE_ID).
#define IDR_MANIFEST 1

// Menu and dialog templates.
#define IDR_MAINMENU 2001
#define IDD_MEASUREMENT_PANEL 1001
#define IDD_READOUT_PANEL 1002
#define IDD_ABOUT 8001
#define IDD_READINGS 1003

// Guide diagrams and the program icon.
#define IDB_BELTS_SINGLE_CAM 8002
#define IDB_BELTS_TWIN_CAM 8003
#define IDB_TENSIONER_NUTS 8004
#define IDB_TENSIONER_TOOL 8005
#define IDB_DRIVE_PULLEY 8006
#define IDI_TENSIKON 8007

// Controls of the measurement panel.
#define IDC_RECORD 4001
#define IDC_DIVIDER 4003
#define IDC_TOP_LINE 4004
#define IDC_GUIDE_BELTS 4005
#define IDC_VERTICAL_CYL 4010
#define IDC_HORIZONTAL_CYL 4011
#define IDC_MEASURED_LABEL 4012
#define IDC_TARGET_LABEL 4013
#define IDC_GUIDE_BELTS_TWIN 4014
#define IDC_GUIDE_BACK 4015
#define IDC_GUIDE_FORWARD 4016
#define IDC_GUIDE_TEXT 4017
#define IDC_GUIDE_PULLEY 4018
#define IDC_STATUS 4019
// The status row's second field: the input level, and why a capture gave no reading.
#define IDC_STATUS_DETAIL 4022
#define IDC_GUIDE_NUTS 4020
#define IDC_GUIDE_TOOL 4021

// Readouts of the readout panel.
#define IDC_VERTICAL_TARGET 4006
#define IDC_HORIZONTAL_TARGET 4007
#define IDC_VERTICAL_MEASURED 4008
#define IDC_HORIZONTAL_MEASURED 4009

// Controls of the readings window: the agreement of the last plucks above
// the list of this run's readings.
#define IDC_READINGS_AGREEMENT 4030
#define IDC_READINGS_LIST 4031

// The "Select Bike" submenu, filled from the bike catalogue when the main
// window is created, and the commands of its items in menu order: a greyed
// family with one greyed item, the models, and the greyed "Custom".
#define IDM_SELECT_BIKE 6034
#define IDM_BIKE_SALTARO_1100 6012
#define IDM_BIKE_CORVANE_620 6013
#define IDM_BIKE_CORVANE_695 6014
#define IDM_BIKE_CORVANE_800 6015
#define IDM_BIKE_CORVANE_X800 6016
#define IDM_BIKE_CORVANE_1000I 6017
#define IDM_BIKE_CORVANE_X1000 6018
#define IDM_BIKE_CORVANE_R4 6019
#define IDM_BIKE_CORVANE_R4S 6020
#define IDM_BIKE_VIALTA_620 6021
#define IDM_BIKE_VIALTA_1000 6022
#define IDM_BIKE_VIALTA_1100 6023
#define IDM_BIKE_RETROVA_1000 6024
#define IDM_BIKE_TOURENZA_TR2 6002
#define IDM_BIKE_TOURENZA_TR3 6025
#define IDM_BIKE_TOURENZA_TR4 6003
#define IDM_BIKE_PISTARA_750R 6026
#define IDM_BIKE_PISTARA_980R 6011
#define IDM_BIKE_PISTARA_990R 6027
#define IDM_BIKE_PISTARA_1100R 6028
#define IDM_BIKE_CORSALTO_1000LX 6029
#define IDM_BIKE_CUSTOM 6031

// Other menu commands.
#define IDM_EXIT 6001
#define IDM_HOLD_HALF_SECOND 6004
#define IDM_ABOUT 6005
#define IDM_HOLD_ONE_SECOND 6006
#define IDM_HOLD_TWO_SECONDS 6007
#define IDM_HOLD_THREE_SECONDS 6008
#define IDM_CONTINUOUS 6009
#define IDM_SINGLE 6010
#define IDM_SAVE 6030
#define IDM_READINGS 6040
#define IDM_SAVE_READINGS 6041
#define IDM_SOUND_ON_RESULT 6042
// Settings > Pluck Detection: the level test (at every start) or the automatic one.
#define IDM_PLUCK_LEVEL 6032
#define IDM_PLUCK_AUTOMATIC 6033

// Timers of the measurement panel.
#define IDT_FLASH 1
#define IDT_HOLD 2
// While a capture runs: checks that the device still delivers sound.
#define IDT_WATCH 3
// While a capture runs: shows the input's level in the status row.
#define IDT_INPUT_LEVEL 4

// Posted by the capture thread to the measurement panel when a capture holds
// two blocks (WM_APP + 1).
#define WM_CAPTURE_DONE 0x8001

// Controls that the code never addresses (labels of the about box).
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
