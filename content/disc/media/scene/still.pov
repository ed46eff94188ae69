// The still pictures of the slide show and the video item; View (declared
// on the command line) chooses the picture.
#ifndef (View) #declare View = 1; #end
#if (View = 4) #declare Scaffold = 1; #end
#if (View = 5) #declare Evening = 1; #end
#include "house.inc"
camera {
  perspective
  #switch (View)
    #case (1) location <0, 5.2, -25> look_at <0, 8.4, 0> angle 50 #break
    #case (2) location <-3.6, 1.7, -36> look_at <1.0, 5.5, 0> angle 52 #break
    #case (3) location <0.3, 2.0, -5.2> look_at <0, 2.3, 0> angle 48 #break
    #case (4) location <2.5, 4.0, -22> look_at <0, 8.0, 0> angle 52 #break
    #case (5) location <3.0, 1.7, -30> look_at <0, 6.0, 0> angle 55 #break
  #end
  right x * 4 / 3
}
