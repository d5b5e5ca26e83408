#pragma once
// framework/BrixChatRecord.h
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

// One chat line as the application, the lobby and the game pass it around. Kinds the
// framework sends itself: 1 leaving after a match without a rematch, 4 rematch asked,
// 5 match abandoned (also the local notice that the other player left).
class CBrixChatRecord
{
public:
    enum { KIND_LEFT = 1, KIND_REMATCH = 4, KIND_ABANDONED = 5 };

    CBrixChatRecord() : kind(0), senderId(0) {}
    CBrixChatRecord(i32 k, const CKetrelString& t, i32 sender) : kind(k), text(t), senderId(sender) {}

    i32 kind;             // 0..5
    CKetrelString text;
    i32 senderId;         // player id of the sender
};
