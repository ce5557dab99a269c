#pragma once
// Control identifiers of the About box (2000..2999).

#define IDD_ABOUT 2000

#define IDC_ABOUT_DISPLAY 2001  // Display, the rich-text pane
#define IDC_ABOUT_EMAIL 2002    // Label1, the support address
// Button1 ("CLOSE") is IDOK, so that Enter closes the box as well as Escape and the close box.
