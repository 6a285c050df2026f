#include "render/effects.h"

// All records start free (zero).
SmokePuff g_smokePuffs[kMaxSmokePuffs];
Trail g_trails[kMaxTrails];
Shard g_shards[kMaxShards];
Sparkle g_sparkles[kMaxSparkles];
