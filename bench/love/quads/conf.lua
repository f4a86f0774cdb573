-- A 1024 x 768 window without vertical sync; the modules the frames do not use stay off.
function love.conf(t)
  t.window.title = "quads"
  t.window.width = 1024
  t.window.height = 768
  t.window.vsync = 0
  t.modules.audio = false
  t.modules.sound = false
  t.modules.physics = false
  t.modules.joystick = false
end
