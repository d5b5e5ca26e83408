#pragma once
// framework/BrixResourceMaps.h: record lookups shared by the resource manager's files.
#include "engine/KetrelHashedString.h"
#include "engine/KetrelMap.h"
#include "engine/KetrelTypes.h"

// The record stored under key, or null.
template <class R>
R* BrixFindByName(const CKetrelMap<CKetrelHashedString, R*>& map, const CKetrelHashedString& key)
{
    const i32 index = map.Find(key);
    return index >= 0 ? map.ElementAt(index)->value : nullptr;
}

// The record whose field holds resource, searching level 1 before level 0; level and
// index receive where it is. Null when no record holds it.
template <class R, class T>
R* BrixFindByResource(const CKetrelMap<CKetrelHashedString, R*> (&maps)[2], T* R::*field,
                      const T* resource, i32* level, i32* index)
{
    for (i32 l = 1; l >= 0; --l)
    {
        for (i32 i = 0; i < maps[l].GetCount(); ++i)
        {
            R* record = maps[l].ElementAt(i)->value;
            if (record->*field == resource)
            {
                *level = l;
                *index = i;
                return record;
            }
        }
    }
    return nullptr;
}
