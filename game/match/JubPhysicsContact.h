#pragma once
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"

class CJubPhysicsBody;

// One resolved contact, handed to every listener from inside CJubPhysicsWorld::Step.
// The pointers stay valid for the call; listeners must not keep them past the body's life.
struct CJubPhysicsContact
{
    CJubPhysicsBody* bodyA;   // the moving body, the active side of the pair
    CJubPhysicsBody* bodyB;   // the other body, of any kind
    CKetrelVector2   point;   // A's position after the push-out
    CKetrelVector2   normal;  // unit axis vector from B towards A
    f32              strength;// squared length of the pair's closing velocity (units/Step)²
};

// One body met by CJubPhysicsWorld::QueryRadius.
struct CJubPhysicsQueryHit
{
    CJubPhysicsBody* body;
    CKetrelVector2   closestPoint;  // the query centre clamped into the body's box
    CKetrelVector2   offset;        // from the query centre to the closest point (or, for a
                                    // centre inside the box, to the body's centre)
    f32              distance;      // length of the offset; 0 for a centre exactly at the body's
};

// Receives the contacts of a world it is registered with. OnContact runs inside Step and may
// change the kind and velocity of any body, and the mask or position of the contact's two
// bodies; other bodies' positions, sizes and masks changed there count from the next Step.
// It may create bodies, but must not remove bodies or clear the world.
class CJubPhysicsListener
{
public:
    virtual ~CJubPhysicsListener() {}
    virtual void OnContact(const CJubPhysicsContact& contact) = 0;
};
