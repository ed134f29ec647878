#pragma once

// The ids of the program's resources, shared by the resource script and the code.
#define KVX_APPLICATION_ICON 1
#define KVX_DOCUMENT_ICON 2
// The toolbar's pictures, at 16, 24 and 32 pixels.
#define KVX_TOOLBAR_BITMAP 2
#define KVX_TOOLBAR_BITMAP_24 3
#define KVX_TOOLBAR_BITMAP_32 4
#define KVX_ABOUT_BOX 100
#define KVX_ABOUT_ICON 101
#define KVX_ABOUT_TEXT 102
#define KVX_HELP_INDEX 200
#define KVX_HELP_USING 201
