// Resource ids shared by the resource scripts and the code that loads them.
#pragma once

// The program's icon: 48x48, 32x32 and 16x16 images.
#define IDI_PROGRAM 128
