// A game described in words, for writing games by hand: a name, byte code from assembler files,
// sprites from PNG files, sounds from WAV files, objects with their events and rooms with their
// instances. Words are split as in chunk descriptions (quotes, escapes, '#' comments).
//
//   game NAME [width=N] [height=N]      first line: the game's name and its window (default: the
//                                       first room's size)
//   code FILE                           byte-code assembler text; every file's code entries form
//                                       one program, and events and rooms name its entries
//   sprite NAME FILE.png [frames=N] [origin=X,Y]   N frames side by side in the image
//   sound NAME FILE.wav [volume=V]      played through the audio engine
//   object NAME [sprite=S] [parent=P] [depth=N] [visible=0|1] [solid=0|1] [persistent=0|1]
//     on EVENT [N] ENTRY                an event of the object above runs the code entry ENTRY:
//                                       create, destroy, alarm N (0-11), step, begin_step,
//                                       end_step, draw, draw_gui, keyboard K, keypress K,
//                                       keyrelease K (K a key code), game_start, game_end,
//                                       room_start, room_end, user N (0-15)
//   room NAME WIDTH HEIGHT [speed=N] [colour=RRGGBB] [caption=TEXT] [code=ENTRY] [persistent=0|1]
//     instance OBJECT X Y [code=ENTRY]  an instance placed in the room above
//
// Files are found from the directory given (the description's own). Sprites, sounds, objects and
// rooms are numbered from 0 in the order they are listed; byte code names them by those numbers.
// The rooms are played in their order, the first at start.
#pragma once

#include <string>
#include <string_view>

#include "container/writer.h"

namespace container {

// True when the first directive of the text is "game".
bool is_game_description(std::string_view text);
// True for the directives of a game description (which a chunk description does not take).
bool is_game_directive(std::string_view word);

// Adds the described game's chunks to the writer. On failure returns false and sets error to
// "line N: what is wrong" (for a code file, "FILE line N: what is wrong").
bool read_game_description(std::string_view text, const std::string& directory, ContainerWriter& writer,
                           std::string& error);

}  // namespace container
