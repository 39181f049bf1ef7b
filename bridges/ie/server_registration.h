#pragma once
// Registration of the server: the AppID script, one class script per class with its
// component categories, and the embedded type library. Per-user mode puts everything under
// HKEY_CURRENT_USER\Software\Classes.

#include <windows.h>

HRESULT register_server(bool perUser);
HRESULT unregister_server(bool perUser);
