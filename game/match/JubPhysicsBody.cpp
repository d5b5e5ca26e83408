#include "game/match/JubPhysicsBody.h"

CJubPhysicsBody::CJubPhysicsBody(const CJubPhysicsBodyDesc& desc)
    : m_position(desc.position),
      m_halfSize(desc.halfSize),
      m_impulseSum(0.0f, 0.0f),
      m_lastPosition(-1000.0f, -1000.0f),
      m_velocity(0.0f, 0.0f),
      m_kind(desc.kind),
      m_mask(0xFFFFFFFFu),
      m_stepOrigin(0.0f, 0.0f),
      m_stepMotion(0.0f, 0.0f),
      m_blastVector(0.0f, 0.0f),
      m_group(desc.group),
      m_resting(0),
      m_restTimer(0.0f),
      m_mass(desc.mass),
      m_bounce(desc.bounce),
      m_friction(desc.friction),
      m_id(0),
      m_owner(nullptr),
      m_cachedBox(GetBox())
{
}

CKetrelRectF CJubPhysicsBody::GetBox() const
{
    CKetrelRectF box;
    box.left = m_position.x - m_halfSize.x;
    box.top = m_position.y - m_halfSize.y;
    box.right = m_position.x + m_halfSize.x;
    box.bottom = m_position.y + m_halfSize.y;
    return box;
}
