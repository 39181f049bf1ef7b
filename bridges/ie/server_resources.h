#pragma once
// Resource identifiers of the server's file (shared by the resource script and the code).

#define IDR_APPID_SCRIPT 101
#define IDR_CLASS_SCRIPT 105
#define IDS_PROJNAME 100
