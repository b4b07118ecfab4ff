-- Turns emlog 6.x's tables (emlog-6.sql) into emlog 5.3.1's: the article has no
-- copy of its tags yet. The other differences of 5.3.1 are only in the indexes.
ALTER TABLE {prefix}blog DROP COLUMN tags;
-- 5.x stored a 微语 as it showed it: escaped by htmlspecialchars(..., ENT_NOQUOTES), with its
-- addresses made links. CHAR(59) is the ';' of an entity (the statements are split on ';').
UPDATE {prefix}twitter SET content=CONCAT('新年快乐！第一条微语。 2013 年 &lt', CHAR(59 USING utf8mb4), 'b&gt', CHAR(59 USING utf8mb4), '不是粗体&lt', CHAR(59 USING utf8mb4), '/b&gt', CHAR(59 USING utf8mb4)) WHERE id=1;
UPDATE {prefix}twitter SET content='周末去爬山，见 <a href="http://blog.example.com/emlog/?post=10" target="_blank">http://blog.example.com/emlog/?post=10</a>' WHERE id=2;
UPDATE {prefix}twitter SET content='只有自己看得到的微语' WHERE id=3;
