float5 Wide;
