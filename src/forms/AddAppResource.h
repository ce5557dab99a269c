#pragma once
// Control identifiers of the Add Application dialog (3000..3999).

#define IDD_ADDAPP 3000

#define IDC_ADDAPP_PATH 3001           // lbAppPath
#define IDC_ADDAPP_BROWSE 3002         // btBrowse
#define IDC_ADDAPP_ARGUMENTS_LABEL 3003
#define IDC_ADDAPP_ARGUMENTS 3004      // edArguments
#define IDC_ADDAPP_ORIGIN 3005         // radioOrigin's frame
#define IDC_ADDAPP_ORIGIN_ALL 3006
#define IDC_ADDAPP_ORIGIN_USER 3007
#define IDC_ADDAPP_SHOWCMD 3008        // radioShowCmd's frame
#define IDC_ADDAPP_SHOW_NORMAL 3009
#define IDC_ADDAPP_SHOW_MAXIMIZED 3010
#define IDC_ADDAPP_SHOW_MINIMIZED 3011
#define IDC_ADDAPP_BEVEL 3012
#define IDC_ADDAPP_ADD 3013            // btAdd; btCancel is IDCANCEL
