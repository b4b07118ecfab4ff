-- emlog 6.x alone has no 微语: after emlog-6.sql their tables go (5.x keeps them).
DROP TABLE {prefix}twitter, {prefix}reply;
