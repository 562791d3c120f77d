// Dialog and control ids of the raster library's own templates.
#pragma once

#define IDD_RASTER_CHOOSER 103
#define IDD_RASTER_VIEW 138

#define IDC_CHOOSER_TREE 1000
#define IDC_CHOOSER_EXIT 1001
#define IDC_CHOOSER_NEAREST 1004
#define IDC_CHOOSER_OK 1005

#define IDC_VIEW_DELETE 1001
#define IDC_VIEW_CLOSE 1006
#define IDC_VIEW_POINT1 1007
#define IDC_VIEW_POINT2 1012
#define IDC_VIEW_POINT3 1013
#define IDC_VIEW_POINT4 1014
#define IDC_VIEW_POINT5 1015
