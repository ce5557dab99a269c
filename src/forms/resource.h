// Resource identifiers of the program. Each window and dialog has a block of its own.
#pragma once

// Program-wide (1..99)
#define IDI_APPLICATION_ICON 1

// Main window (1000..1999)

// About box (2000..2999)

// Add Application dialog (3000..3999)
