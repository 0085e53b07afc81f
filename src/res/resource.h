// Resource identifiers shared by the program and its resource script.
#pragma once

#define IDI_ZORBEL 107       // icon group of the window class
#define IDR_ACCELERATORS 101 // accelerator table: Escape
#define IDM_ESCAPE 40001     // the command Escape turns into; nothing handles it
