#pragma once
// The browser's dialogs as the site uses them for the add-in's message boxes.

#include "nsCOMPtr.h"
#include "nsIPromptService.h"
#include "nsIDOMWindow.h"
#include "nsIWindowWatcher.h"

nsCOMPtr<nsIPromptService> prompt_service();
nsCOMPtr<nsIWindowWatcher> window_watcher();
