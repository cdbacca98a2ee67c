// The framework's own resource and command ids, with their familiar values.
#pragma once

#define AFX_IDS_APP_TITLE 0xE000

#define ID_EDIT_COPY 0xE122
#define ID_EDIT_CUT 0xE123
#define ID_EDIT_PASTE 0xE125
#define ID_EDIT_UNDO 0xE12B
#define ID_APP_ABOUT 0xE140
#define ID_APP_EXIT 0xE141
#define ID_NEXT_PANE 0xE150
#define ID_PREV_PANE 0xE151

// The first (and here the only) pane of a frame: kept filling its client area.
#define AFX_IDW_PANE_FIRST 0xE900
