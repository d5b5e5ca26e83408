// net/BrixLobby.cpp
#include "net/BrixLobby.h"

#include "net/BrixPlayer.h"

CBrixLobby::CBrixLobby() : m_minPlayers(0), m_maxPlayers(0) {}

CBrixLobby::~CBrixLobby() {}

int CBrixLobby::SetLimits(i32 minimum, i32 maximum)
{
    m_minPlayers = minimum;
    m_maxPlayers = maximum;
    return 1;
}

void CBrixLobby::Clear()
{
    for (i32 i = 0; i < m_records.GetCount(); ++i)
        delete static_cast<CBrixPlayer*>(m_records.GetAt(i));
    m_records.RemoveAll();
}

CBrixPlayer* CBrixLobby::GetAt(i32 index) const
{
    if (index < 0 || index >= m_records.GetCount())
        return nullptr;
    return static_cast<CBrixPlayer*>(m_records.GetAt(index));
}

int CBrixLobby::Add(CBrixPlayer* player)
{
    if (!player || m_records.GetCount() >= m_maxPlayers)
        return 0;
    m_records.Add(player);
    return 1;
}

CBrixPlayer* CBrixLobby::FindByName(const CKetrelString& name) const
{
    for (i32 i = 0; i < m_records.GetCount(); ++i)
    {
        CBrixPlayer* player = static_cast<CBrixPlayer*>(m_records.GetAt(i));
        if (player->GetName().Compare(name) == 0)
            return player;
    }
    return nullptr;
}

CBrixPlayer* CBrixLobby::FindById(i32 playerId) const
{
    for (i32 i = 0; i < m_records.GetCount(); ++i)
    {
        CBrixPlayer* player = static_cast<CBrixPlayer*>(m_records.GetAt(i));
        if (player->GetId() == playerId)
            return player;
    }
    return nullptr;
}
