-- The peer of the runner's start-up game (scripts/bench): quits in its first love.draw, so that
-- the first frame is drawn and presented before the program exits. `love startup renderer`
-- prints the OpenGL renderer too.
local printRenderer = false

function love.load(args)
  printRenderer = args[1] == "renderer"
end

function love.draw()
  love.graphics.clear(0, 0, 0, 1)
  if printRenderer then
    local _, _, _, renderer = love.graphics.getRendererInfo()
    print(renderer)
  end
  love.event.quit()
end
