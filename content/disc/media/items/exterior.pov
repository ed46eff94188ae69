// The market-side views of the two slide shows SH002 and SH003, from the
// opening movie's street (../scene/house.inc); View (declared on the command
// line) chooses the picture.
#ifndef (View) #declare View = 1; #end
#if (View = 1) #declare Evening = 1; #end
#if (View = 4) #declare Scaffold = 1; #end
#include "house.inc"
camera {
  perspective
  #switch (View)
    #case (1) location <1.5, 1.7, -27> look_at <0, 6.5, 0> angle 50 #break  // the fire by night
    #case (2) location <1.0, 2.0, -8> look_at <-1.0, 3.5, -60> angle 60 #break  // down the market street
    #case (3) location <1.5, 2.0, -12> look_at <0, 10, 0> angle 45 #break  // the stepped gable
    #case (4) location <-4.0, 2.0, -16> look_at <0, 7, 0> angle 55 #break  // the scaffolding of 1978
    #case (5) location <-6.0, 1.7, -22> look_at <0, 5.5, 0> angle 55 #break  // the museum of 1985
    #case (6) location <4.0, 1.7, -24> look_at <0, 6, 0> angle 52 #break  // before the restoration
  #end
  right x * 4 / 3
}
