#include "game/match/JubScene.h"

#include "game/match/JubPhysicsWorld.h"

namespace
{
const u32 kColourPlayer0 = 0xFFFF5D37u;
const u32 kColourPlayer1 = 0xFF3A92FFu;
const u32 kCreatureMasks[JUB_SCENE_PLAYERS] = {0x11101u, 0x11110u};
const u32 kLaunchMasks[JUB_SCENE_PLAYERS] = {16u, 1u};
const u32 kFragmentMasks[3] = {0x100u, 0x1000u, 0x10000u};
const u32 kReleasedMask = 0x11111111u;
const i32 kProjectileIds[JUB_SCENE_PLAYERS] = {10, 20};
// The world's push-out epsilon: the column test narrows the creature by twice it per side.
const f32 kColumnEpsilon = 1e-5f;

// A moving body of group 1, as creatures and projectiles are made.
CJubPhysicsBodyDesc MovingBodyDesc(const CKetrelVector2& position, f32 halfSize, f32 mass,
                                   f32 bounce)
{
    CJubPhysicsBodyDesc desc;
    desc.position = position;
    desc.halfSize.Set(halfSize, halfSize);
    desc.kind = JUB_BODY_MOVING;
    desc.group = 1;
    desc.mass = mass;
    desc.bounce = bounce;
    desc.friction = 0.5f;
    return desc;
}

bool IsFragmentMask(u32 mask)
{
    return mask == kFragmentMasks[0] || mask == kFragmentMasks[1] || mask == kFragmentMasks[2];
}
}

CJubScene::CJubScene()
    : m_clock(0.0f), m_animateBlocks(0), m_blocks(nullptr), m_assets(nullptr),
      m_camera(&m_ownCamera), m_world(nullptr), m_selection(-1), m_editor(0), m_version(0)
{
    m_colours[0].SetARGB(kColourPlayer0);
    m_colours[1].SetARGB(kColourPlayer1);
    ResetTables();
}

CJubScene::~CJubScene()
{
    RemoveAllBodies();
    DeleteProjectiles();
    DeleteMarkers();
    delete m_blocks;
    if (m_camera->GetScene() == this)
        m_camera->SetScene(nullptr);
}

void CJubScene::ResetTables()
{
    for (i32 i = 0; i < 4; ++i)
        m_indexTable[i] = (u32)i;
    for (i32 i = 0; i < 16; ++i)
        m_indexMatrix[i] = (u32)(i % 4);
    for (i32 p = 0; p < JUB_SCENE_PLAYERS; ++p)
    {
        for (i32 k = 0; k < JUB_SCENE_START_ENTRIES; ++k)
            m_home[p][k].Set(0.0f, 0.0f);
    }
}

void CJubScene::Init(CJubAssetSource* assets, CJubCamera* camera, CJubPhysicsWorld* world,
                     i32 editor)
{
    // A scene linked before gives its bodies back to the world it had.
    RemoveAllBodies();
    DeleteProjectiles();
    if (m_camera->GetScene() == this)
        m_camera->SetScene(nullptr);

    m_assets = assets;
    m_camera = camera ? camera : &m_ownCamera;
    m_world = world;
    m_camera->SetScene(this);
    if (!m_blocks)
        m_blocks = new CJubBlockSet();
    m_blocks->SetWorld(world);
    m_editor = editor ? 1 : 0;
    m_clock = 0.0f;
    m_animateBlocks = 0;
    if (!m_editor)
        BuildPlayers();
}

void CJubScene::Reset()
{
    DeleteProjectiles();
    if (m_blocks)
        m_blocks->Clear();
    if (m_world)
        m_world->Clear();
    for (i32 p = 0; p < JUB_SCENE_PLAYERS; ++p)
    {
        m_players[p].body = nullptr;
        m_players[p].opponentBody = nullptr;
    }
    m_camera->StopFollowing();
    m_selection = -1;
    BuildPlayers();
    DeleteMarkers();
}

void CJubScene::BuildPlayers()
{
    if (!m_world)
        return;
    for (i32 p = 0; p < JUB_SCENE_PLAYERS; ++p)
    {
        CJubPhysicsBody* body =
            m_world->CreateBody(MovingBodyDesc(CKetrelVector2(0.0f, 0.1f), 0.05f, 20.0f, 0.05f));
        m_players[p].Build((u8)p, body, m_colours[p]);
        body->SetPosition(CKetrelVector2(p == 0 ? -0.1f : 0.1f, 0.1f));
        body->SetId(p);
        body->SetMask(kCreatureMasks[p]);
    }
    m_players[0].opponentBody = m_players[1].body;
    m_players[1].opponentBody = m_players[0].body;
    m_camera->StopFollowing();
}

void CJubScene::DeleteProjectiles()
{
    for (i32 p = 0; p < JUB_SCENE_PLAYERS; ++p)
    {
        for (i32 s = 0; s < JUB_PROJECTILE_SLOTS; ++s)
        {
            delete m_players[p].projectiles[s];
            m_players[p].projectiles[s] = nullptr;
        }
    }
}

void CJubScene::DeleteMarkers()
{
    for (i32 i = 0; i < m_markers.GetCount(); ++i)
        delete (CJubSceneMarker*)m_markers.GetAt(i);
    m_markers.RemoveAll();
}

void CJubScene::RemoveAllBodies()
{
    if (!m_world)
        return;
    for (i32 p = 0; p < JUB_SCENE_PLAYERS; ++p)
    {
        CJubPlayer& player = m_players[p];
        for (i32 s = 0; s < JUB_PROJECTILE_SLOTS; ++s)
        {
            if (player.projectiles[s])
            {
                m_world->RemoveBody(player.projectiles[s]->body);
                player.projectiles[s]->body = nullptr;
            }
        }
        m_world->RemoveBody(player.body);
        player.body = nullptr;
        player.opponentBody = nullptr;
    }
    if (m_blocks)
        m_blocks->RemoveAll();
}

const CKetrelVector2& CJubScene::GetHomePosition(i32 player, i32 entry) const
{
    static const CKetrelVector2 origin;
    if (entry < 0 || entry >= JUB_SCENE_START_ENTRIES)
        return origin;
    return m_home[player & 1][entry];
}

CJubSceneMarker* CJubScene::AddMarker(const CKetrelVector2& position,
                                      const CKetrelVector2& halfSize)
{
    // A level file holds at most 255 markers; more could not be saved.
    if (m_markers.GetCount() >= JUB_SCENE_MAX_MARKERS)
        return nullptr;
    CJubSceneMarker* marker = new CJubSceneMarker;
    marker->position = position;
    marker->halfSize = halfSize;
    m_markers.Add(marker);
    return marker;
}

void CJubScene::RemoveMarker(CJubSceneMarker* marker)
{
    for (i32 i = 0; i < m_markers.GetCount(); ++i)
    {
        if (m_markers.GetAt(i) == marker)
        {
            delete marker;
            m_markers.RemoveAt(i);
            return;
        }
    }
}

CJubSceneMarker* CJubScene::FindMarkerAt(const CKetrelVector2& point) const
{
    for (i32 i = 0; i < m_markers.GetCount(); ++i)
    {
        CJubSceneMarker* marker = (CJubSceneMarker*)m_markers.GetAt(i);
        const CKetrelVector2& c = marker->position;
        const CKetrelVector2& h = marker->halfSize;
        if (point.x >= c.x - h.x && point.x <= c.x + h.x && point.y >= c.y - h.y
            && point.y <= c.y + h.y)
            return marker;
    }
    return nullptr;
}

CJubProjectile* CJubScene::CreateProjectile(i32 player, u8 kind, i32 slot)
{
    if (player < 0 || player >= JUB_SCENE_PLAYERS || slot < 0 || slot >= JUB_PROJECTILE_SLOTS
        || !m_world)
        return nullptr;
    // A slot still in use (a duplicate load, or the ring coming round) is emptied first,
    // so no record leaks and no untracked body stays in the world.
    RemoveProjectile(player, slot);

    CJubPlayer& owner = m_players[player];
    CJubProjectile* projectile = new CJubProjectile;
    projectile->kind = kind;
    projectile->id = kProjectileIds[player];
    projectile->blastRadius = kind == 4 ? 0.6f : 0.3f;
    projectile->damage = kind == 0 ? 60 : 30;
    projectile->stuckBlock = -1;
    projectile->flag = 0;

    CKetrelVector2 start;
    if (owner.body)
        start = owner.body->GetPosition();
    CJubPhysicsBody* body = m_world->CreateBody(MovingBodyDesc(start, 0.025f, 15.0f, 0.2f));
    body->SetVelocity(CKetrelVector2(0.0f, 0.0f));
    body->SetOwner(projectile);
    body->SetMask(kind == 3 ? kFragmentMasks[slot % 3] : kLaunchMasks[player]);
    body->SetId(projectile->id);
    projectile->body = body;

    owner.projectiles[slot] = projectile;
    return projectile;
}

void CJubScene::ForgetOpponentBody(CJubPhysicsBody* body)
{
    for (i32 p = 0; p < JUB_SCENE_PLAYERS; ++p)
    {
        if (body && m_players[p].opponentBody == body)
            m_players[p].opponentBody = m_players[1 - p].body;
    }
}

void CJubScene::RemoveProjectile(i32 player, i32 slot)
{
    if (player < 0 || player >= JUB_SCENE_PLAYERS || slot < 0 || slot >= JUB_PROJECTILE_SLOTS)
        return;
    CJubProjectile* projectile = m_players[player].projectiles[slot];
    if (!projectile)
        return;
    ForgetOpponentBody(projectile->body);
    if (m_world)
        m_world->RemoveBody(projectile->body);
    delete projectile;
    m_players[player].projectiles[slot] = nullptr;
}

void CJubScene::FindColumnBlocks()
{
    if (!m_world || !m_blocks)
        return;
    for (i32 p = 0; p < JUB_SCENE_PLAYERS; ++p)
    {
        CJubPlayer& player = m_players[p];
        player.upperBlocks.RemoveAll();
        player.lowerBlocks.RemoveAll();
        if (!player.body)
            continue;
        const CKetrelVector2& pos = player.body->GetPosition();
        const CKetrelVector2& half = player.body->GetHalfSize();
        f32 reach = 2.0f * m_camera->GetWorldUnit();
        CKetrelRectF column(pos.x - half.x + 2.0f * kColumnEpsilon, pos.y - reach,
                            pos.x + half.x - 2.0f * kColumnEpsilon, pos.y + reach);
        f32 top = pos.y + half.y;
        for (i32 i = 0; i < m_blocks->GetCount(); ++i)
        {
            CJubBlock* block = m_blocks->GetBlock(i);
            if (!block->body || !m_world->BoxesOverlap(column, block->body->GetBox()))
                continue;
            f32 centreY = block->body->GetPosition().y;
            if (centreY > top)
                player.upperBlocks.Add(block->id);
            else if (centreY < pos.y)
                player.lowerBlocks.Add(block->id);
        }
    }
}

void CJubScene::ForgetBlock(u8 id)
{
    for (i32 p = 0; p < JUB_SCENE_PLAYERS; ++p)
    {
        CKetrelArray<u8>* lists[2] = {&m_players[p].upperBlocks, &m_players[p].lowerBlocks};
        for (CKetrelArray<u8>* list : lists)
        {
            for (i32 i = list->GetCount() - 1; i >= 0; --i)
            {
                if ((*list)[i] == id)
                    list->RemoveAt(i);
            }
        }
    }
}

void CJubScene::UpdateProjectileMasks()
{
    if (!m_world)
        return;
    m_players[0].opponentBody = m_players[1].body;
    m_players[1].opponentBody = m_players[0].body;
    for (i32 p = 0; p < JUB_SCENE_PLAYERS; ++p)
    {
        CJubPlayer& player = m_players[p];
        for (i32 s = 0; s < JUB_PROJECTILE_SLOTS; ++s)
        {
            CJubProjectile* projectile = player.projectiles[s];
            if (!projectile || !projectile->body)
                continue;
            CJubPhysicsBody* body = projectile->body;
            u32 mask = body->GetMask();
            if (mask == kLaunchMasks[0] || mask == kLaunchMasks[1])
            {
                // A shot passes through its own creature until it has left it.
                if (!player.body || !m_world->BodiesOverlap(body, player.body))
                    body->SetMask(kReleasedMask);
            }
            else if (IsFragmentMask(mask))
            {
                // Cluster fragments ignore each other until they have spread apart.
                bool overlaps = false;
                for (i32 o = 0; o < JUB_PROJECTILE_SLOTS && !overlaps; ++o)
                {
                    CJubProjectile* other = player.projectiles[o];
                    if (o != s && other && other->body
                        && m_world->BodiesOverlap(body, other->body))
                        overlaps = true;
                }
                if (!overlaps)
                    body->SetMask(kReleasedMask);
            }
            m_players[0].opponentBody = body;
            m_players[1].opponentBody = body;
        }
    }
    m_players[0].UpdateAim();
    m_players[1].UpdateAim();
}

void CJubScene::Update(f32 dt)
{
    m_clock += dt;
    UpdateProjectileMasks();
    if (m_animateBlocks && m_blocks)
        m_blocks->Animate(dt);
    if (!m_editor)
    {
        for (i32 p = 0; p < JUB_SCENE_PLAYERS; ++p)
            m_players[p].UpdateCreature(dt, m_camera->GetScreenWidth());
    }
}
