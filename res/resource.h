// Identifiers shared by the resource script and the code.
#pragma once

#define IDM_EXIT 9001
#define IDM_CHOOSEFILE 9005
#define IDM_ABOUT 9010
