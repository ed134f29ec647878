#pragma once

// The ids of the program's resources, shared by the resource script and the code.
#define KVX_APPLICATION_ICON 1
#define KVX_DOCUMENT_ICON 2
#define KVX_ABOUT_BOX 100
#define KVX_ABOUT_ICON 101
#define KVX_ABOUT_TEXT 102
#define KVX_HELP_INDEX 200
#define KVX_HELP_USING 201
