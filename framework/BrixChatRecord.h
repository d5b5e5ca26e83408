#pragma once
// framework/BrixChatRecord.h
#include "net/BrixSessionHost.h"      // CBrixChatRecord: kind, text, sender id

// Chat kinds that the framework sends itself: leaving after a match without a rematch,
// a rematch asked for, the match abandoned (also the local notice that the other player
// left).
enum { BRIX_CHAT_LEFT = 1, BRIX_CHAT_REMATCH = 4, BRIX_CHAT_ABANDONED = 5 };
