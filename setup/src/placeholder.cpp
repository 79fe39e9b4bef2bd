// placeholder until the unit's first source arrives
