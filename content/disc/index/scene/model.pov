// The house model of the index screen: the Ostrevan Haus as an exploded
// doll's house (ground floor, upper floor and attic lifted apart, the walls
// cut down to stubs) beside its garden, seen from above while it turns.
// Declare Frame (0 .. Frames - 1) and Mask (1: every place in its own flat
// colour on the spin area's colour, for the region masks).
#ifndef (Frame) #declare Frame = 0; #end
#ifndef (Frames) #declare Frames = 41; #end
#ifndef (Mask) #declare Mask = 0; #end

global_settings { assumed_gamma 1.0 max_trace_level 4 }

// The model turns about the middle of the house's plan.
#declare Centre = <0.0, 0, 6.0>;
#declare Angle = 360 * Frame / Frames;
camera {
  perspective
  location <0, 22, -36>
  look_at <0, 4.4, 0>
  angle 44
  right x * 4 / 3
  rotate y * Angle
  translate Centre * <1, 0, 1>
}

#if (Mask)
  background { rgb <0.5, 0.5, 0.5> }
  #macro Place(R, G, B) texture { pigment { rgb <R, G, B> } finish { ambient 1 diffuse 0 } } #end
  #declare T_Hall = Place(1, 0, 0)
  #declare T_Kitchen = Place(0, 1, 0)
  #declare T_Salon = Place(0, 0, 1)
  #declare T_Stairs = Place(1, 1, 0)
  #declare T_Study = Place(1, 0, 1)
  #declare T_Bedroom = Place(0, 1, 1)
  #declare T_Attic = Place(1, 1, 1)
  #declare T_Garden = Place(0, 0, 0)
  #declare T_Wall = texture { T_Hall }  // walls belong to their room (set per room below)
#else
  background { rgb <0.105, 0.135, 0.17> }
  light_source { <-30, 60, -45> color rgb <1.2, 1.12, 1.0> }
  light_source { <30, 25, 40> color rgb <0.35, 0.37, 0.45> shadowless }
  #default { finish { ambient 0.16 diffuse 0.78 } }
  #declare Floorboards = pigment { gradient x color_map { [0 rgb <0.55, 0.36, 0.20>] [0.92 rgb <0.62, 0.42, 0.24>] [1 rgb <0.30, 0.18, 0.10>] } scale 0.35 }
  #declare Tiles = pigment { checker rgb <0.85, 0.82, 0.74>, rgb <0.22, 0.20, 0.18> scale 0.6 }
  #declare T_Hall = texture { pigment { Tiles } }
  #declare T_Kitchen = texture { pigment { checker rgb <0.72, 0.38, 0.26>, rgb <0.62, 0.30, 0.20> scale 0.5 } }
  #declare T_Salon = texture { pigment { Floorboards } }
  #declare T_Stairs = texture { pigment { Floorboards rotate y * 90 } }
  #declare T_Study = texture { pigment { Floorboards } }
  #declare T_Bedroom = texture { pigment { Floorboards rotate y * 90 } }
  #declare T_Attic = texture { pigment { rgb <0.46, 0.26, 0.20> } normal { gradient x 0.5 scale 0.3 } }
  #declare T_Garden = texture { pigment { granite color_map { [0 rgb <0.22, 0.42, 0.16>] [1 rgb <0.30, 0.52, 0.20>] } scale 0.8 } }
#end

#declare Plaster = texture { pigment { rgb <0.92, 0.89, 0.80> } }
#declare Brick = texture { pigment { rgb <0.62, 0.27, 0.18> } }
#declare WallH = 1.1;   // the walls are cut down to stubs
#declare WallT = 0.2;
#declare Lift1 = 5.2;   // the upper floor is lifted apart
#declare Lift2 = 9.6;   // and the attic further

// A room: its floor slab and stub walls, all in the room's texture for the
// masks; the outer face of the walls in brick for the picture.
#macro Room(X0, Z0, X1, Z1, Y, T)
  union {
    box { <X0, Y - 0.25, Z0>, <X1, Y, Z1> texture { T } }
    #if (Mask)
      difference {
        box { <X0, Y, Z0>, <X1, Y + WallH, Z1> }
        box { <X0 + WallT, Y - 1, Z0 + WallT>, <X1 - WallT, Y + 2 * WallH, Z1 - WallT> }
        texture { T }
      }
    #else
      difference {
        box { <X0, Y, Z0>, <X1, Y + WallH, Z1> }
        box { <X0 + WallT, Y - 1, Z0 + WallT>, <X1 - WallT, Y + 2 * WallH, Z1 - WallT> }
        texture { Brick }
        interior_texture { Plaster }
      }
    #end
  }
#end

// Ground floor: kitchen, hall, salon along the street; the staircase behind the hall.
Room(-5.0, 0.0, 0.0, 6.0, 0, T_Kitchen)
Room(0.0, 0.0, 6.0, 6.0, 0, T_Hall)
Room(6.0, 0.0, 12.0, 6.0, 0, T_Salon)
Room(0.0, 6.0, 6.0, 12.0, 0, T_Stairs)
// The stairs themselves, in the staircase's texture.
#declare I = 0;
#while (I < 10)
  box { <4.3, 0, 6.4 + I * 0.45>, <5.9, 0.25 + I * 0.3, 6.85 + I * 0.45> texture { T_Stairs } }
  #declare I = I + 1;
#end
// Upper floor: study and bedroom on either side of the stairwell (which
// belongs to the staircase).
Room(-5.0, 6.0, 0.0, 12.0, Lift1, T_Study)
Room(0.0, 6.0, 6.0, 12.0, Lift1, T_Stairs)
Room(6.0, 6.0, 12.0, 12.0, Lift1, T_Bedroom)
// The attic: the roof as an open prism over the whole house.
#if (Mask)
  #declare RoofT = texture { T_Attic }
#else
  #declare RoofT = texture { pigment { rgb <0.34, 0.17, 0.13> } normal { gradient y 0.4 scale 0.25 } }
#end
// The attic: its floor, the roof's back slope and the two gables' edges.
#declare Slope = degrees(atan2(3.8, 6.0));
#declare SlopeL = sqrt(36 + 3.8 * 3.8);
union {
  box { <-5.0, -0.2, 0>, <12.0, 0, 12> texture { T_Attic } }
  box { <-5.0, 0, -SlopeL>, <12.0, 0.15, 0> rotate x * Slope translate z * 12 texture { RoofT } }
  box { <-5.0, 0, 0>, <-4.8, 0.3, SlopeL> rotate x * -Slope texture { RoofT } }
  box { <11.8, 0, 0>, <12.0, 0.3, SlopeL> rotate x * -Slope texture { RoofT } }
  translate y * Lift2
}
// The garden west of the kitchen: lawn, path and a tree.
union {
  box { <-14.5, -0.25, -1.0>, <-5.4, 0.0, 12.5> texture { T_Garden } }
  cylinder { <-11.5, 0, 8.5>, <-11.5, 1.6, 8.5>, 0.25 texture { T_Garden } }
  sphere { <-11.5, 2.6, 8.5>, 1.6 texture { T_Garden } }
  #if (!Mask)
    sphere { <-11.5, 2.6, 8.5>, 1.62 pigment { rgb <0.16, 0.38, 0.14> } }
    cylinder { <-11.5, 0, 8.5>, <-11.5, 1.6, 8.5>, 0.26 pigment { rgb <0.30, 0.20, 0.12> } }
  #end
}
