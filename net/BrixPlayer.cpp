// net/BrixPlayer.cpp
#include "net/BrixPlayer.h"

#include "net/BerHandCodec.h"

CBrixPlayer::CBrixPlayer() : m_id(0), m_numberA(0), m_numberB(0), m_index(0) {}

CBrixPlayer::~CBrixPlayer() {}

void CBrixPlayer::Set(i32 id, const CKetrelString& name, const CKetrelString& secondText,
                      i32 numberA, const CKetrelString& thirdText, i32 numberB)
{
    m_id = id;
    m_name = name;
    m_secondText = secondText;
    m_numberA = numberA;
    m_thirdText = thirdText;
    m_numberB = numberB;
}

void CBrixPlayer::SetFromListItem(const CGamePlayerEntry& entry)
{
    Set(entry.playerId, entry.name, entry.text2, entry.value4, entry.text5, entry.flag ? 1 : 0);
}
