// Shape numbers of the synthetic sample tiles: what each tile byte of the
// sample maps stands for, and the town bytes that the town maps translate.
#pragma once

#include <cstdint>

namespace sample::tile {

// Terrain of the world.
constexpr uint8_t kDeepWater = 0;
constexpr uint8_t kWater = 1;
constexpr uint8_t kShallows = 2;
constexpr uint8_t kSwamp = 3;
constexpr uint8_t kGrass = 4;
constexpr uint8_t kBrush = 5;
constexpr uint8_t kForest = 6;
constexpr uint8_t kHills = 7;
constexpr uint8_t kMountains = 8;
constexpr uint8_t kDungeon = 9;
constexpr uint8_t kTown = 10;
constexpr uint8_t kCastle = 11;
constexpr uint8_t kVillage = 12;
constexpr uint8_t kShrine = 13;
constexpr uint8_t kLava = 14;
constexpr uint8_t kDesert = 15;

// Things laid over water or grass.
constexpr uint8_t kShipEast = 23;
constexpr uint8_t kBalloon = 24;
constexpr uint8_t kShipWest = 25;
constexpr uint8_t kBridgeEastWest = 49;
constexpr uint8_t kBridgeNorthSouth = 50;
constexpr uint8_t kPier = 51;
constexpr uint8_t kRocks = 52;
constexpr uint8_t kWell = 55;
constexpr uint8_t kFlowers = 61;
constexpr uint8_t kMoonGate = 67;  // 64-66: the gate half risen

// Inside towns.
constexpr uint8_t kSign = 48;
constexpr uint8_t kDoor = 53;
constexpr uint8_t kWindow = 54;
constexpr uint8_t kTable = 56;
constexpr uint8_t kStoneWall = 57;
constexpr uint8_t kTimberWall = 58;
constexpr uint8_t kCounter = 59;
constexpr uint8_t kBed = 60;
constexpr uint8_t kWoodFloor = 62;
constexpr uint8_t kStoneFloor = 63;
constexpr uint8_t kThrone = 72;
constexpr uint8_t kAltar = 73;
constexpr uint8_t kFountain = 74;
constexpr uint8_t kCobbles = 76;
constexpr uint8_t kLamp = 77;
constexpr uint8_t kBarrel = 78;
constexpr uint8_t kCrate = 79;
constexpr uint8_t kCarpet = 112;
constexpr uint8_t kHearth = 113;
constexpr uint8_t kBookshelf = 114;
constexpr uint8_t kAnvil = 115;
constexpr uint8_t kCrops = 116;
constexpr uint8_t kFence = 117;
constexpr uint8_t kStairs = 118;
constexpr uint8_t kPews = 119;
constexpr uint8_t kGraves = 120;
constexpr uint8_t kHedge = 121;
constexpr uint8_t kStall = 122;
constexpr uint8_t kTower = 124;
constexpr uint8_t kUnknown = 126;
constexpr uint8_t kVoid = 127;
constexpr uint16_t kChest = 188;

// Roads: kRoad + the sides that the road leaves by (1 north, 2 east,
// 4 south, 8 west).
constexpr uint8_t kRoad = 96;
constexpr uint8_t kNorth = 1, kEast = 2, kSouth = 4, kWest = 8;

// Shores: kShore + s draws land along the sides s + 1 (the bits above) of a
// water tile, the water showing through.
constexpr uint16_t kShore = 273;
constexpr uint16_t kShoreCount = 15;

// Town bytes that the town maps draw as another shape.
constexpr uint8_t kTownSign = 40;   // kSign
constexpr uint8_t kTownPier = 43;   // kPier over shallows
constexpr uint8_t kTownRocks = 44;  // kRocks over shallows
constexpr uint8_t kTownTable = 183; // kTable over wood floor
constexpr uint8_t kTownBed = 190;   // kBed over wood floor
constexpr uint8_t kTownChest = 191; // kChest over wood floor
constexpr uint8_t kTownWell = 194;  // kWell over grass

}  // namespace sample::tile
