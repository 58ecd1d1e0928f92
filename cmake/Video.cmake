# The intro video "intro.wmv" at the top of the runtime folder: a short animated title made
# at build time by the ffmpeg program from its own generated sources (a colour field, a
# moving bar, the title text and a soft chord), encoded as the game plays it: Windows Media
# Video 8 (wmv2) and Windows Media Audio 2 (wmav2) in an ASF file.
find_program(ULVO_FFMPEG_PROGRAM ffmpeg)
if(NOT ULVO_FFMPEG_PROGRAM)
  message(WARNING "ffmpeg not found: the runtime folder gets no intro.wmv and the game starts without it")
  return()
endif()

set(ULVO_INTRO_VIDEO ${ULVO_RUNTIME_DIR}/intro.wmv)
set(ULVO_INTRO_SECONDS 3.2)

# Blue field (0x1E50A0, which the tests look for in the middle of the clip), a yellow bar
# sweeping along the bottom, the title growing in, and fades at both ends.
# (Filter chains are separated by $<SEMICOLON>: a plain one would split the command.)
set(ULVO_INTRO_FILTER "color=c=0xF0C020:s=80x16:r=25[bar]$<SEMICOLON>[0:v][bar]overlay=x='mod(t*120,400)-80':y=200:shortest=1")
find_file(ULVO_INTRO_FONT DejaVuSans-Bold.ttf
  PATHS /usr/share/fonts/truetype/dejavu /usr/share/fonts/dejavu NO_DEFAULT_PATH)
if(ULVO_INTRO_FONT)
  string(APPEND ULVO_INTRO_FILTER
    ",drawtext=fontfile=${ULVO_INTRO_FONT}:text=Lumaro:fontsize='28+10*min(t,1.5)':fontcolor=white"
    ":x=(w-text_w)/2:y=(h-text_h)/2-10:alpha='min(1,t/1.2)'")
endif()
string(APPEND ULVO_INTRO_FILTER ",fade=t=in:st=0:d=0.4,fade=t=out:st=2.8:d=0.4[video]")
# A, E and A an octave up, each swelling in; slightly different on the two channels.
set(ULVO_INTRO_CHORD "0.22*sin(2*PI*220*t)*(1-exp(-4*t))+0.16*sin(2*PI*330*t)*(1-exp(-2*t))")
set(ULVO_INTRO_SOUND
  "aevalsrc=${ULVO_INTRO_CHORD}+0.1*sin(2*PI*440*t)*(1-exp(-t))|${ULVO_INTRO_CHORD}+0.1*sin(2*PI*554.4*t)*(1-exp(-t)):s=44100:d=${ULVO_INTRO_SECONDS}")

add_custom_command(
  OUTPUT ${ULVO_INTRO_VIDEO}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ULVO_RUNTIME_DIR}
  COMMAND ${ULVO_FFMPEG_PROGRAM} -hide_banner -loglevel error -nostdin -y
    -f lavfi -i "color=c=0x1E50A0:s=320x240:r=25:d=${ULVO_INTRO_SECONDS}"
    -f lavfi -i "${ULVO_INTRO_SOUND}"
    -filter_complex "${ULVO_INTRO_FILTER}" -af "afade=t=out:st=2.6:d=0.6"
    -map "[video]" -map 1:a -c:v wmv2 -b:v 800k -c:a wmav2 -b:a 64k
    -fflags +bitexact -flags:v +bitexact -flags:a +bitexact -f asf ${ULVO_INTRO_VIDEO}
  DEPENDS ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Generating the intro video intro.wmv"
  VERBATIM)
list(APPEND ULVO_GENERATED_DATA ${ULVO_INTRO_VIDEO})
