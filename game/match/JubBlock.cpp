#include "game/match/JubBlock.h"

#include "engine/KetrelMath.h"
#include "game/match/JubPhysicsWorld.h"

#include <climits>

namespace
{
// Half width, half height by type. Types 20 and 29, 24 and 31, 17 and 32 have equal
// sizes; they stay distinct types in level files all the same.
const f32 kHalfSizes[JUB_BLOCK_TYPE_COUNT][2] = {
    {0.05f, 0.05f}, {0.1f, 0.1f},   {0.15f, 0.15f}, {0.2f, 0.2f},   {0.25f, 0.25f},
    {0.3f, 0.3f},   {0.1f, 0.05f},  {0.15f, 0.05f}, {0.2f, 0.05f},  {0.25f, 0.05f},
    {0.3f, 0.05f},  {0.05f, 0.1f},  {0.05f, 0.15f}, {0.05f, 0.2f},  {0.05f, 0.25f},
    {0.05f, 0.3f},  {0.1f, 0.15f},  {0.1f, 0.2f},   {0.1f, 0.25f},  {0.1f, 0.3f},
    {0.2f, 0.1f},   {0.2f, 0.15f},  {0.2f, 0.25f},  {0.2f, 0.3f},   {0.3f, 0.1f},
    {0.3f, 0.15f},  {0.3f, 0.2f},   {0.3f, 0.25f},  {0.15f, 0.1f},  {0.2f, 0.1f},
    {0.25f, 0.1f},  {0.3f, 0.1f},   {0.1f, 0.2f},   {0.15f, 0.2f},  {0.25f, 0.2f},
    {0.3f, 0.2f},   {0.1f, 0.3f},   {0.15f, 0.3f},  {0.2f, 0.3f},   {0.25f, 0.3f},
};

const f32 kBlockFriction = 0.75f;
const u32 kBlockMask = 0x11111111u;

i32 ClampHealth(i64 value)
{
    if (value < 0)
        return 0;
    if (value > INT_MAX)
        return INT_MAX;
    return (i32)value;
}

f32 ClampWobble(f32 value)
{
    if (value < -0.1f)
        return -0.1f;
    if (value > 0.1f)
        return 0.1f;
    return value;
}
}

bool JubBlockHalfSize(u32 type, CKetrelVector2& out)
{
    if (type >= JUB_BLOCK_TYPE_COUNT)
        return false;
    out.Set(kHalfSizes[type][0], kHalfSizes[type][1]);
    return true;
}

f32 JubBlockBounce(u8 material)
{
    return material == 3 ? 0.8f : 0.15f;
}

CJubBlock::CJubBlock()
    : id(0), flags(0), material(0), layer(0), type(0), health(JUB_BLOCK_FULL_HEALTH),
      shownHealth(JUB_BLOCK_FULL_HEALTH), body(nullptr), pending(0), pendingDelay(1.0f),
      pendingFlags(0), pendingMaterial(0), pendingHealth(JUB_BLOCK_FULL_HEALTH),
      pendingFriction(0.5f), pendingBounce(0.5f), twin(nullptr)
{
}

void CJubBlock::TakeDamage(i32 amount)
{
    health = ClampHealth((i64)health - (i64)amount);
}

void CJubBlock::SetPendingChange(u8 newFlags, u8 newMaterial, i32 newHealth, f32 friction,
                                 f32 bounce, f32 delay)
{
    pending = 1;
    pendingFlags = newFlags;
    pendingMaterial = newMaterial < JUB_BLOCK_MATERIAL_COUNT ? newMaterial : 0;
    pendingHealth = newHealth < 0 ? 0 : newHealth;
    pendingFriction = friction;
    pendingBounce = bounce;
    pendingDelay = delay;
}

void CJubBlock::Animate(f32 dt)
{
    if (body)
    {
        CKetrelVector2 impulse = body->GetImpulseSum();
        impulse.Scale(0.8f);
        wobble.Add(impulse);
    }
    wobble.Scale(0.9f);
    wobble.y *= 0.7f;
    wobble.x = ClampWobble(wobble.x);
    wobble.y = ClampWobble(wobble.y);

    // An integer step: within ten points of the health the shown value stops short.
    shownHealth = KetrelSaturateToInt(
        shownHealth + (i64)KetrelTruncToInt((f32)((i64)health - shownHealth) * 0.1f));

    if (pending)
    {
        pendingDelay += dt;
        if (pendingDelay > 0.0f)
        {
            flags = pendingFlags;
            material = pendingMaterial;
            health = pendingHealth;
            if (body)
            {
                body->SetFriction(pendingFriction);
                body->SetBounce(pendingBounce);
            }
            pending = 0;
        }
    }
}

CJubBlockSet::CJubBlockSet() : m_world(nullptr)
{
}

CJubBlockSet::~CJubBlockSet()
{
    Clear();
}

void CJubBlockSet::SetWorld(CJubPhysicsWorld* world)
{
    Clear();
    m_world = world;
}

void CJubBlockSet::Clear()
{
    for (i32 i = 0; i < m_blocks.GetCount(); ++i)
        delete (CJubBlock*)m_blocks.GetAt(i);
    m_blocks.RemoveAll();
}

void CJubBlockSet::RemoveAll()
{
    if (m_world)
    {
        for (i32 i = 0; i < m_blocks.GetCount(); ++i)
        {
            CJubBlock* block = (CJubBlock*)m_blocks.GetAt(i);
            m_world->RemoveBody(block->body);
            block->body = nullptr;
        }
    }
    Clear();
}

i32 CJubBlockSet::FirstFreeId() const
{
    bool used[JUB_BLOCK_LAST_ID + 1] = {};
    for (i32 i = 0; i < m_blocks.GetCount(); ++i)
        used[((CJubBlock*)m_blocks.GetAt(i))->id] = true;   // ids are at most 254
    for (i32 id = JUB_BLOCK_FIRST_ID; id <= JUB_BLOCK_LAST_ID; ++id)
    {
        if (!used[id])
            return id;
    }
    return -1;
}

CJubBlock* CJubBlockSet::CreateBlock(u8 type, const CKetrelVector2& position, u8 material,
                                     u8 flags, u8 layer)
{
    CKetrelVector2 halfSize;
    if (!m_world || !JubBlockHalfSize(type, halfSize))
        return nullptr;
    i32 id = FirstFreeId();
    if (id < 0)
        return nullptr;
    if (material >= JUB_BLOCK_MATERIAL_COUNT)
        material = 0;

    CJubBlock* block = new CJubBlock();
    block->id = (u8)id;
    block->flags = flags;
    block->material = material;
    block->layer = layer;
    block->type = type;

    CJubPhysicsBodyDesc desc;
    desc.position = position;
    desc.halfSize = halfSize;
    desc.kind = JUB_BODY_STATIC;
    desc.group = 1;
    desc.mass = 0.0f;
    desc.bounce = JubBlockBounce(material);
    desc.friction = kBlockFriction;
    block->body = m_world->CreateBody(desc);
    block->body->SetOwner(block);
    block->body->SetId(id);
    block->body->SetMask(kBlockMask);

    m_blocks.Add(block);
    return block;
}

CJubBlock* CJubBlockSet::FindBlock(u8 id) const
{
    for (i32 i = 0; i < m_blocks.GetCount(); ++i)
    {
        CJubBlock* block = (CJubBlock*)m_blocks.GetAt(i);
        if (block->id == id)
            return block;
    }
    return nullptr;
}

void CJubBlockSet::RemoveBlock(u8 id)
{
    for (i32 i = 0; i < m_blocks.GetCount(); ++i)
    {
        CJubBlock* block = (CJubBlock*)m_blocks.GetAt(i);
        if (block->id != id)
            continue;
        LinkTwins(block, nullptr);
        if (m_world)
            m_world->RemoveBody(block->body);
        delete block;
        m_blocks.RemoveAt(i);
        return;
    }
}

void CJubBlockSet::LinkTwins(CJubBlock* a, CJubBlock* b)
{
    if (a == b)
        b = nullptr;
    CJubBlock* ends[2] = {a, b};
    for (CJubBlock* end : ends)
    {
        if (end && end->twin)
        {
            if (end->twin->twin == end)
                end->twin->twin = nullptr;
            end->twin = nullptr;
        }
    }
    if (a && b)
    {
        a->twin = b;
        b->twin = a;
    }
}

void CJubBlockSet::Animate(f32 dt)
{
    for (i32 i = 0; i < m_blocks.GetCount(); ++i)
        ((CJubBlock*)m_blocks.GetAt(i))->Animate(dt);
}
