-- The size of the runner's start-up room (320 x 240); everything else as a LÖVE game has it.
function love.conf(t)
  t.window.title = "startup"
  t.window.width = 320
  t.window.height = 240
  t.window.vsync = 0
end
